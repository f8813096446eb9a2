#include "core/providers/pin_protection.h"

#include <openssl/evp.h>

#include "core/crypto/openssl_init.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

SecretBytes PinKey(std::string_view pin) {
  LoadOpenSslProviders();
  SecretBytes key(16);
  unsigned int len = 0;
  if (EVP_Digest(pin.data(), pin.size(), key.data(), &len, EVP_md5(), nullptr) != 1 || len != 16) return {};
  return key;
}

Result<SecretBytes> Crypt(std::string_view pin, std::span<const uint8_t> in, bool encrypt, Status failure) {
  const SecretBytes key = PinKey(pin);
  OsslPtr<EVP_CIPHER_CTX> ctx(EVP_CIPHER_CTX_new());
  if (key.empty() || !ctx ||
      EVP_CipherInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, key.data(), nullptr, encrypt ? 1 : 0) != 1) {
    return failure;
  }
  SecretBytes out(in.size() + 16);
  int len = 0, tail = 0;
  if (EVP_CipherUpdate(ctx.get(), out.data(), &len, in.data(), static_cast<int>(in.size())) != 1 ||
      EVP_CipherFinal_ex(ctx.get(), out.data() + len, &tail) != 1) {
    return failure;
  }
  out.resize(static_cast<std::size_t>(len + tail));
  return out;
}

}  // namespace

Result<SecretBytes> EncryptWithPin(std::string_view pin, std::span<const uint8_t> plain) {
  return Crypt(pin, plain, true, err::kSymmEncrypt);
}

Result<SecretBytes> DecryptWithPin(std::string_view pin, std::span<const uint8_t> cipher) {
  if (cipher.empty() || cipher.size() % 16 != 0) return err::kSymmDecrypt;
  return Crypt(pin, cipher, false, err::kSymmDecrypt);
}

}  // namespace orvane
