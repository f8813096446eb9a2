#include "core/crypto/sm4_simd.h"

#include <iterator>

#include "core/crypto/code_paths.h"

namespace orvane {
namespace {

struct PathEntry {
  Sm4Path path;
  Sm4BlocksFn blocks;
  Sm4CbcEncryptFn cbcEncrypt;
  bool (*supported)();
};

bool HasAvx2Aesni() {
#if defined(__x86_64__)
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("aes") && __builtin_cpu_supports("bmi");
#else
  return false;
#endif
}

bool HasAvx512Gfni() {
#if defined(__x86_64__)
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("gfni") && __builtin_cpu_supports("bmi");
#else
  return false;
#endif
}

// Best last.
constexpr PathEntry kPaths[] = {
    {Sm4Path::kPortable, Sm4BlocksPortable, Sm4CbcEncryptPortable, AlwaysSupported},
    {Sm4Path::kAvx2Aesni, Sm4BlocksAvx2Aesni, Sm4CbcEncryptX86_64, HasAvx2Aesni},
    {Sm4Path::kAvx512Gfni, Sm4BlocksAvx512Gfni, Sm4CbcEncryptX86_64, HasAvx512Gfni},
};

CodePaths<PathEntry, std::size(kPaths)>& Paths() {
  static CodePaths<PathEntry, std::size(kPaths)> paths(kPaths);
  return paths;
}

}  // namespace

bool Sm4PathSupported(Sm4Path path) { return Paths().Supported(path); }

Sm4Path Sm4ActivePath() { return Paths().Active().path; }

bool Sm4ForcePath(Sm4Path path) { return Paths().Force(path); }

Sm4BlocksFn Sm4ActiveBlocks() { return Paths().Active().blocks; }

Sm4CbcEncryptFn Sm4ActiveCbcEncrypt() { return Paths().Active().cbcEncrypt; }

}  // namespace orvane
