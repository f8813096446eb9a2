#include "core/providers/symmetric_cipher.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <mutex>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "core/crypto/openssl_init.h"
#include "core/crypto/sm4.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

constexpr SymmAlgInfo kAlgs[] = {
    {kSymmDesEcb, "DES-ECB", 8, 0, 8},
    {kSymmDesCbc, "DES-CBC", 8, 8, 8},
    {kSymmDes3Ecb, "DES-EDE3-ECB", 24, 0, 8},
    {kSymmDes3Cbc, "DES-EDE3-CBC", 24, 8, 8},
    {kSymmAes128Ecb, "AES-128-ECB", 16, 0, 16},
    {kSymmAes128Cbc, "AES-128-CBC", 16, 16, 16},
    {kSymmAes192Ecb, "AES-192-ECB", 24, 0, 16},
    {kSymmAes192Cbc, "AES-192-CBC", 24, 16, 16},
    {kSymmAes256Ecb, "AES-256-ECB", 32, 0, 16},
    {kSymmAes256Cbc, "AES-256-CBC", 32, 16, 16},
    {kSymmSm4Ecb, nullptr, 16, 0, 16},
    {kSymmSm4Cbc, nullptr, 16, 16, 16},
};
constexpr std::size_t kAlgCount = std::size(kAlgs);

// --- OpenSSL ciphers ------------------------------------------------------------

// Fetched once per process (DES needs the legacy provider loaded first).
const EVP_CIPHER* FetchedCipher(const SymmAlgInfo& info) {
  static std::array<OsslPtr<EVP_CIPHER>, kAlgCount> fetched;
  static std::once_flag once;
  std::call_once(once, [] {
    LoadOpenSslProviders();
    for (std::size_t i = 0; i < kAlgCount; ++i) {
      if (kAlgs[i].openSslName != nullptr) fetched[i].reset(EVP_CIPHER_fetch(nullptr, kAlgs[i].openSslName, nullptr));
    }
  });
  return fetched[static_cast<std::size_t>(&info - kAlgs)].get();
}

class EvpCipher final : public SymmCipher {
 public:
  explicit EvpCipher(OsslPtr<EVP_CIPHER_CTX> ctx) : ctx_(std::move(ctx)) {}

  bool Update(std::span<const uint8_t> in, uint8_t* out, std::size_t* written) override {
    *written = 0;
    while (!in.empty()) {  // EVP counts in int
      const std::size_t n = std::min<std::size_t>(in.size(), INT_MAX / 2);
      int produced = 0;
      if (EVP_CipherUpdate(ctx_.get(), out + *written, &produced, in.data(), static_cast<int>(n)) != 1) return false;
      *written += static_cast<std::size_t>(produced);
      in = in.subspan(n);
    }
    return true;
  }

  bool Final(uint8_t* out, std::size_t* written) override {
    int produced = 0;
    if (EVP_CipherFinal_ex(ctx_.get(), out, &produced) != 1) return false;
    *written = static_cast<std::size_t>(produced);
    return true;
  }

 private:
  OsslPtr<EVP_CIPHER_CTX> ctx_;  // EVP_CIPHER_CTX_free wipes the key schedule
};

Result<std::unique_ptr<SymmCipher>> NewEvpCipher(const SymmAlgInfo& info, bool encrypt, const uint8_t* key,
                                                 const uint8_t* iv) {
  const Status failure = encrypt ? err::kSymmEncrypt : err::kSymmDecrypt;
  const EVP_CIPHER* cipher = FetchedCipher(info);
  OsslPtr<EVP_CIPHER_CTX> ctx(EVP_CIPHER_CTX_new());
  if (cipher == nullptr || ctx == nullptr) return failure;
  if (EVP_CipherInit_ex2(ctx.get(), cipher, key, info.ivBytes > 0 ? iv : nullptr, encrypt ? 1 : 0, nullptr) != 1 ||
      EVP_CIPHER_CTX_set_padding(ctx.get(), 1) != 1) {
    return failure;
  }
  return std::unique_ptr<SymmCipher>(new EvpCipher(std::move(ctx)));
}

// --- SM4 --------------------------------------------------------------------------

// Whole blocks go straight from the caller's input to its output; a partial
// block waits in `pending_`. Decryption always keeps the last whole block
// back, so that Final can strip its padding.
class Sm4Cipher final : public SymmCipher {
 public:
  Sm4Cipher(bool cbc, bool encrypt, const uint8_t* key, const uint8_t* iv) : cbc_(cbc), encrypt_(encrypt) {
    if (encrypt) {
      Sm4SetEncryptKey(&ctx_, key);
    } else {
      Sm4SetDecryptKey(&ctx_, key);
    }
    if (cbc) std::memcpy(iv_, iv, kSm4BlockSize);
  }

  ~Sm4Cipher() override {
    OPENSSL_cleanse(&ctx_, sizeof ctx_);
    OPENSSL_cleanse(iv_, sizeof iv_);
    OPENSSL_cleanse(pending_, sizeof pending_);
  }

  bool Update(std::span<const uint8_t> in, uint8_t* out, std::size_t* written) override {
    *written = 0;
    const std::size_t total = pendingLen_ + in.size();
    std::size_t keep = total % kSm4BlockSize;
    if (!encrypt_ && keep == 0 && total > 0) keep = kSm4BlockSize;
    std::size_t process = total - keep;  // whole blocks, pending bytes first
    if (process > 0 && pendingLen_ > 0) {
      const std::size_t fill = kSm4BlockSize - pendingLen_;
      std::memcpy(pending_ + pendingLen_, in.data(), fill);
      Crypt(pending_, out, kSm4BlockSize);
      in = in.subspan(fill);
      pendingLen_ = 0;
      process -= kSm4BlockSize;
      *written += kSm4BlockSize;
    }
    if (process > 0) {
      Crypt(in.data(), out + *written, process);
      in = in.subspan(process);
      *written += process;
    }
    if (!in.empty()) std::memcpy(pending_ + pendingLen_, in.data(), in.size());
    pendingLen_ += in.size();
    return true;
  }

  bool Final(uint8_t* out, std::size_t* written) override {
    *written = 0;
    if (encrypt_) {
      const auto pad = static_cast<uint8_t>(kSm4BlockSize - pendingLen_);
      std::memset(pending_ + pendingLen_, pad, pad);
      Crypt(pending_, out, kSm4BlockSize);
      *written = kSm4BlockSize;
      return true;
    }
    // Input that is no whole number of blocks, or a last byte that cannot
    // be a pad length, is refused rather than trusted.
    if (pendingLen_ != kSm4BlockSize) return false;
    uint8_t last[kSm4BlockSize];
    Crypt(pending_, last, kSm4BlockSize);
    const uint8_t pad = last[kSm4BlockSize - 1];
    const bool ok = pad >= 1 && pad <= kSm4BlockSize;
    if (ok) {
      *written = kSm4BlockSize - pad;
      std::memcpy(out, last, *written);
    }
    OPENSSL_cleanse(last, sizeof last);
    return ok;
  }

 private:
  void Crypt(const uint8_t* in, uint8_t* out, std::size_t len) {
    if (cbc_) {
      Sm4CryptCbc(&ctx_, encrypt_ ? kSm4Encrypt : 0, static_cast<int64_t>(len), iv_, in, out);
    } else {
      Sm4CryptEcb(&ctx_, static_cast<int64_t>(len), in, out);
    }
  }

  bool cbc_;
  bool encrypt_;
  Sm4Context ctx_;
  uint8_t iv_[kSm4BlockSize] = {};
  uint8_t pending_[kSm4BlockSize] = {};
  std::size_t pendingLen_ = 0;
};

}  // namespace

const SymmAlgInfo* FindSymmAlg(int32_t alg) {
  for (const SymmAlgInfo& info : kAlgs) {
    if (info.alg == alg) return &info;
  }
  return nullptr;
}

Result<std::unique_ptr<SymmCipher>> NewSymmCipher(int32_t alg, bool encrypt, std::span<const uint8_t> key,
                                                  const uint8_t* iv) {
  const SymmAlgInfo* info = FindSymmAlg(alg);
  if (info == nullptr) return err::kUnsupportedAlg;
  if (key.size() < info->keyBytes || (info->ivBytes > 0 && iv == nullptr)) return err::kParam;
  if (info->openSslName != nullptr) return NewEvpCipher(*info, encrypt, key.data(), iv);
  return std::unique_ptr<SymmCipher>(new Sm4Cipher(alg == kSymmSm4Cbc, encrypt, key.data(), iv));
}

}  // namespace orvane
