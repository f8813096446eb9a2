// Test helpers around the openssl command line and OpenSSL's own library,
// the references that our certificate and PKCS#7 code is checked against.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <openssl/evp.h>

#include "core/util/ossl_ptr.h"

namespace orvane::testing {

using Bytes = std::vector<uint8_t>;

Bytes ToBytes(std::string_view text);
std::string ToText(std::span<const uint8_t> bytes);

// A private temporary directory in which the openssl command runs; removed
// with the object.
class OpenSslCli {
 public:
  OpenSslCli();
  ~OpenSslCli();
  OpenSslCli(const OpenSslCli&) = delete;
  OpenSslCli& operator=(const OpenSslCli&) = delete;

  struct Output {
    int status = -1;  // exit status; -1 when the command could not be run
    std::string out;
    std::string err;
  };

  // Runs `openssl args...` in the directory, without a shell.
  Output Run(const std::vector<std::string>& args) const;
  // As Run, and records a test failure (with the command's error output)
  // unless the command succeeds; returns its standard output.
  std::string Must(const std::vector<std::string>& args) const;

  std::string Path(std::string_view name) const;
  void Write(std::string_view name, std::span<const uint8_t> bytes) const;
  void WriteText(std::string_view name, std::string_view text) const;
  Bytes Read(std::string_view name) const;

  // The OBJECT values of `openssl asn1parse` over a DER file, in order.
  std::vector<std::string> Asn1Objects(std::string_view derFile) const;

 private:
  std::filesystem::path dir_;
};

// A key pair with a certificate, made by the openssl command line.
struct TestIdentity {
  std::string certPem;  // file names inside the directory
  std::string keyPem;
  Bytes certDer;
  OsslPtr<EVP_PKEY> key;
};

// Self-signed certificates: RSA 2048 with SHA-256, or SM2 with SM3.
TestIdentity MakeRsaIdentity(const OpenSslCli& cli, std::string_view name, std::string_view subject);
TestIdentity MakeSm2Identity(const OpenSslCli& cli, std::string_view name, std::string_view subject);

// The default SM2 user identity.
inline constexpr std::string_view kSm2DefaultId = "1234567812345678";

// Signatures, encryption and decryption by OpenSSL, for the messages under
// test. `md` is a digest name ("SHA256", "SM3", ...); SM2 keys sign with SM3
// and the default identity.
Bytes OsslSign(EVP_PKEY* key, const char* md, std::span<const uint8_t> data);
bool OsslVerify(EVP_PKEY* key, const char* md, std::span<const uint8_t> data, std::span<const uint8_t> sig);
// RSA PKCS #1 v1.5 or SM2 public-key encryption and decryption.
Bytes OsslEncrypt(EVP_PKEY* key, std::span<const uint8_t> data);
Bytes OsslDecrypt(EVP_PKEY* key, std::span<const uint8_t> data);
// Symmetric encryption with PKCS padding; `iv` empty for ECB modes.
Bytes OsslCipher(const char* cipher, bool encrypt, std::span<const uint8_t> key, std::span<const uint8_t> iv,
                 std::span<const uint8_t> data);
Bytes RandomBytes(std::size_t n);

}  // namespace orvane::testing
