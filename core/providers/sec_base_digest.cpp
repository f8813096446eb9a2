// Shared provider operations: random bytes and digests of data and files.
#include <fstream>

#include <openssl/rand.h>

#include "core/crypto/sm3.h"
#include "core/providers/hash_algorithms.h"
#include "core/providers/sec_base.h"

namespace orvane {
namespace {

constexpr int32_t kMaxRandomBytes = 2047;
constexpr std::size_t kFileChunk = 2048;

// Runs the digest over what `feed` hands it and writes the result when it
// fits the output.
template <typename Feed>
Status DigestInto(const EVP_MD* md, Feed feed, uint8_t* out, uint32_t* outLen, Status failure) {
  OsslPtr<EVP_MD_CTX> ctx(EVP_MD_CTX_new());
  if (!ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1) return failure;
  const Status fed = feed(ctx.get());
  if (fed != err::kOk) return fed;
  uint8_t digest[EVP_MAX_MD_SIZE];
  unsigned int len = 0;
  if (EVP_DigestFinal_ex(ctx.get(), digest, &len) != 1) return failure;
  if (len > *outLen) return err::kBufferTooSmall;
  std::copy(digest, digest + len, out);
  *outLen = len;
  return err::kOk;
}

}  // namespace

Status CSecBase::GenRandom(int32_t len, uint8_t* out) {
  if (len < 1 || len > kMaxRandomBytes) return err::kRandomLength;
  if (out == nullptr) return err::kParam;
  return RAND_bytes(out, len) == 1 ? err::kOk : err::kGenRandom;
}

Status CSecBase::HashData(int32_t hashAlg, const uint8_t* data, uint32_t dataLen, uint8_t* out, uint32_t* outLen) {
  if (data == nullptr || dataLen == 0 || out == nullptr || outLen == nullptr || *outLen == 0) return err::kParam;
  if (hashAlg == kHashSm3) {
    if (*outLen < kSm3DigestSize) return err::kBufferTooSmall;
    const Sm3Digest digest = Sm3({data, dataLen});
    std::copy(digest.begin(), digest.end(), out);
    *outLen = kSm3DigestSize;
    return err::kOk;
  }
  const auto md = FetchDigest(hashAlg);
  if (!md) return hashAlg >= kHashSha1 && hashAlg <= kHashMd4 ? err::kHashData : err::kUnsupportedAlg;
  auto feed = [&](EVP_MD_CTX* ctx) {
    return EVP_DigestUpdate(ctx, data, dataLen) == 1 ? err::kOk : err::kHashData;
  };
  return DigestInto(md.get(), feed, out, outLen, err::kHashData);
}

Status CSecBase::HashFile(int32_t hashAlg, const char* path, uint8_t* out, uint32_t* outLen) {
  if (path == nullptr || *path == '\0' || out == nullptr || outLen == nullptr || *outLen == 0) return err::kParam;
  const auto md = FetchDigest(hashAlg);  // SM3 is not offered for files
  if (!md) return hashAlg >= kHashSha1 && hashAlg <= kHashMd4 ? err::kHashFile : err::kUnsupportedAlg;
  std::ifstream file(path, std::ios::binary);
  if (!file) return err::kReadFile;
  auto feed = [&](EVP_MD_CTX* ctx) {
    char chunk[kFileChunk];
    while (file.read(chunk, sizeof chunk) || file.gcount() > 0) {
      if (EVP_DigestUpdate(ctx, chunk, static_cast<std::size_t>(file.gcount())) != 1) return err::kHashFile;
    }
    return file.bad() ? err::kReadFile : err::kOk;
  };
  return DigestInto(md.get(), feed, out, outLen, err::kHashFile);
}

}  // namespace orvane
