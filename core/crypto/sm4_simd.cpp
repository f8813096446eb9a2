#include "core/crypto/sm4_simd.h"

#include <atomic>

namespace orvane {
namespace {

struct PathEntry {
  Sm4Path path;
  Sm4BlocksFn blocks;
  Sm4CbcEncryptFn cbcEncrypt;
  bool (*supported)();
};

bool Always() { return true; }

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
    {Sm4Path::kPortable, Sm4BlocksPortable, Sm4CbcEncryptPortable, Always},
    {Sm4Path::kAvx2Aesni, Sm4BlocksAvx2Aesni, Sm4CbcEncryptX86_64, HasAvx2Aesni},
    {Sm4Path::kAvx512Gfni, Sm4BlocksAvx512Gfni, Sm4CbcEncryptX86_64, HasAvx512Gfni},
};

const PathEntry* Find(Sm4Path path) {
  for (const PathEntry& e : kPaths) {
    if (e.path == path) return &e;
  }
  return nullptr;
}

const PathEntry* Best() {
  const PathEntry* best = &kPaths[0];
  for (const PathEntry& e : kPaths) {
    if (e.supported()) best = &e;
  }
  return best;
}

std::atomic<const PathEntry*>& Active() {
  static std::atomic<const PathEntry*> active{Best()};
  return active;
}

}  // namespace

bool Sm4PathSupported(Sm4Path path) {
  const PathEntry* e = Find(path);
  return e != nullptr && e->supported();
}

Sm4Path Sm4ActivePath() { return Active().load(std::memory_order_relaxed)->path; }

bool Sm4ForcePath(Sm4Path path) {
  const PathEntry* e = Find(path);
  if (e == nullptr || !e->supported()) return false;
  Active().store(e, std::memory_order_relaxed);
  return true;
}

Sm4BlocksFn Sm4ActiveBlocks() { return Active().load(std::memory_order_relaxed)->blocks; }

Sm4CbcEncryptFn Sm4ActiveCbcEncrypt() { return Active().load(std::memory_order_relaxed)->cbcEncrypt; }

}  // namespace orvane
