#include "core/providers/symmetric.h"

#include <cstring>
#include <span>

#include "core/providers/symmetric_cipher.h"
#include "core/util/secret.h"

namespace orvane {
namespace {

bool Absent(const uint8_t* key, uint32_t keyLen, const uint8_t* in, uint32_t inLen, const uint8_t* out,
            const uint32_t* outLen) {
  return key == nullptr || keyLen == 0 || in == nullptr || inLen == 0 || out == nullptr || outLen == nullptr ||
         *outLen == 0;
}

}  // namespace

Status SymmEncryptData(int32_t alg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen, const uint8_t* in,
                       uint32_t inLen, uint8_t* out, uint32_t* outLen) {
  if (Absent(key, keyLen, in, inLen, out, outLen)) return err::kParam;
  const SymmAlgInfo* info = FindSymmAlg(alg);
  if (info == nullptr) return err::kUnsupportedAlg;
  const uint64_t need = (uint64_t{inLen} / info->blockBytes + 1) * info->blockBytes;
  auto cipher = NewSymmCipher(alg, true, {key, keyLen}, iv);
  if (!cipher.ok()) return cipher.status();
  if (need > *outLen) return err::kBufferTooSmall;
  // From a fresh start the update writes only whole blocks of the input and
  // the final one block: `need` bytes in all.
  std::size_t body = 0, tail = 0;
  if (!(*cipher)->Update({in, inLen}, out, &body) || !(*cipher)->Final(out + body, &tail)) return err::kSymmEncrypt;
  *outLen = static_cast<uint32_t>(body + tail);
  return err::kOk;
}

Status SymmDecryptData(int32_t alg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen, const uint8_t* in,
                       uint32_t inLen, uint8_t* out, uint32_t* outLen) {
  if (Absent(key, keyLen, in, inLen, out, outLen)) return err::kParam;
  auto cipher = NewSymmCipher(alg, false, {key, keyLen}, iv);
  if (!cipher.ok()) return cipher.status();
  const SymmAlgInfo* info = FindSymmAlg(alg);
  SecretBytes plain(std::size_t{inLen} + 2 * info->blockBytes);
  std::size_t body = 0, tail = 0;
  if (!(*cipher)->Update({in, inLen}, plain.data(), &body) || !(*cipher)->Final(plain.data() + body, &tail)) {
    return err::kSymmDecrypt;
  }
  const std::size_t total = body + tail;
  if (total > *outLen) return err::kBufferTooSmall;
  std::memcpy(out, plain.data(), total);
  *outLen = static_cast<uint32_t>(total);
  return err::kOk;
}

}  // namespace orvane
