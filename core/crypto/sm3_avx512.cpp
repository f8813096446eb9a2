// SM3 compression through the x86-64 assembly of sm3_avx512_x86_64.S
// (BMI2 rounds, AVX-512VL message expansion), reached only after the CPU
// check of sm3.cpp.
#include <cstddef>
#include <cstdint>

#include "core/crypto/sm3_paths.h"

#if defined(__x86_64__)
extern "C" void OrvaneSm3CompressAvx512(uint32_t state[8], const uint8_t* data, std::size_t blocks);
#endif

namespace orvane {

// The assembly expands the first block alone before any round can use it;
// from three blocks on, the overlap it gains afterwards makes up for that.
void Sm3CompressBlocksAvx512(uint32_t state[8], const uint8_t* data, std::size_t blocks) {
#if defined(__x86_64__)
  if (blocks >= 3) {
    OrvaneSm3CompressAvx512(state, data, blocks);
    return;
  }
#endif
  Sm3CompressBlocksBmi2(state, data, blocks);
}

}  // namespace orvane
