// SM3 compression built for BMI2, reached only after the CPU check in sm3.cpp.
#include <cstddef>
#include <cstdint>

#include "core/crypto/sm3_paths.h"

namespace orvane {
namespace {
#include "core/crypto/sm3_compress.inc"
}  // namespace

void Sm3CompressBlocksBmi2(uint32_t state[8], const uint8_t* data, std::size_t blocks) {
  CompressBlocks(state, data, blocks);
}

}  // namespace orvane
