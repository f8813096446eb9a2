// The SM3 compression function's code paths and the choice among them.
// Internal to the SM3 files; the public API is core/crypto/sm3.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane {

enum class Sm3Path {
  kPortable,  // any CPU
  kBmi2,      // x86-64 with BMI2
  kAvx512,    // x86-64 with AVX-512 (F, VL) and BMI2: assembly, the message
              // expansion in vector registers beside the rounds
};

bool Sm3PathSupported(Sm3Path path);

// The path in use: the best supported one unless a test forced another.
Sm3Path Sm3ActivePath();

// Makes `path` the one in use; false (and no change) when the CPU lacks it.
bool Sm3ForcePath(Sm3Path path);

void Sm3CompressBlocksPortable(uint32_t state[8], const uint8_t* data, std::size_t blocks);
void Sm3CompressBlocksBmi2(uint32_t state[8], const uint8_t* data, std::size_t blocks);
void Sm3CompressBlocksAvx512(uint32_t state[8], const uint8_t* data, std::size_t blocks);

}  // namespace orvane
