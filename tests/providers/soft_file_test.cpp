// The file key store end to end at the provider: requests, a real CA (the
// openssl tool), stored credentials, signatures checked by OpenSSL, and the
// PIN rules, with a scripted dialog program.
#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "core/crypto/openssl_init.h"
#include "core/providers/pin_protection.h"
#include "core/providers/sec_soft_impl.h"
#include "core/util/files.h"
#include "core/util/ossl_ptr.h"
#include "support/command.h"
#include "support/temp_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::RunCommand;
using Bytes = std::vector<uint8_t>;

Bytes ToBytes(std::string_view s) { return Bytes(s.begin(), s.end()); }

class SoftFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadOpenSslProviders();
    const std::string script = work.str() + "/prompt.sh";
    std::ofstream(script) << "#!/bin/sh\n"
                             "d=$(dirname \"$0\")\n"
                             "cat > \"$d/request.json\"\n"
                             "echo x >> \"$d/calls\"\n"
                             "[ -f \"$d/cancel\" ] && exit 1\n"
                             "printf '{\"pin\":\"%s\"}' \"$(cat \"$d/pin\")\"\n";
    fs::permissions(script, fs::perms::owner_all);
    prompt = std::make_unique<testing::ScopedEnv>("ORVANE_PROMPT", script);
    TypedPin("12345678");
    ASSERT_EQ(RunCommand("cd " + work.str() +
                         " && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout ca.key "
                         "-subj '/CN=Test CA' -days 2 -out ca.pem >/dev/null 2>&1")
                  .exitCode,
              0);
  }

  void TypedPin(const std::string& pin) { std::ofstream(work.str() + "/pin") << pin; }
  int DialogCalls() {
    std::string calls;
    ReadFileToString(work.str() + "/calls", calls);
    return static_cast<int>(std::count(calls.begin(), calls.end(), '\n'));
  }
  std::string LastRequest() {
    std::string request;
    ReadFileToString(work.str() + "/request.json", request);
    return request;
  }

  std::unique_ptr<CSecSoftImpl> Provider(int32_t keyType) {
    return std::make_unique<CSecSoftImpl>("soft_file", keyType, keys.str() + "?alice");
  }
  std::string Folder() { return keys.str() + "/alice/"; }

  Bytes MakeRequest(CSecSoftImpl& provider, int32_t hashAlg = 2) {
    Bytes out(2048);
    uint32_t len = uint32_t(out.size());
    const std::string dn = "C=CN,O=Orvane,CN=Alice";
    EXPECT_EQ(provider.MakeP10(dn.c_str(), uint32_t(dn.size()), hashAlg, out.data(), &len), err::kOk);
    out.resize(len);
    return out;
  }

  // The CA issues a certificate for the request.
  Bytes Issue(const Bytes& request, bool sm2) {
    const std::string d = work.str();
    EXPECT_TRUE(WriteBufferToFile(d + "/req.der", request.data(), request.size()));
    const std::string verify = sm2 ? " -vfyopt distid:1234567812345678" : "";
    const auto issued = RunCommand("cd " + d + " && openssl x509 -req -inform DER -in req.der" + verify +
                                   " -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -outform DER -out cert.der 2>&1");
    EXPECT_EQ(issued.exitCode, 0) << issued.output;
    std::string cert;
    EXPECT_TRUE(ReadFileToString(d + "/cert.der", cert));
    return ToBytes(cert);
  }

  Bytes Sign(CSecSoftImpl& provider, const std::string& data, int32_t hashAlg, Status expected = err::kOk) {
    Bytes out(20480);
    uint32_t len = uint32_t(out.size());
    EXPECT_EQ(provider.SignData(hashAlg, reinterpret_cast<const uint8_t*>(data.data()), uint32_t(data.size()),
                                out.data(), &len),
              expected);
    out.resize(expected == err::kOk ? len : 0);
    return out;
  }

  Bytes GetCert(CSecSoftImpl& provider, Status expected = err::kOk) {
    Bytes out(4096);
    uint32_t len = uint32_t(out.size());
    EXPECT_EQ(provider.GetCert(kCertSigning, out.data(), &len), expected);
    out.resize(expected == err::kOk ? len : 0);
    return out;
  }

  // Enrols a key of the type and returns its certificate.
  Bytes Enrol(int32_t keyType) {
    auto provider = Provider(keyType);
    const Bytes cert = Issue(MakeRequest(*provider), keyType == kKeySm2);
    EXPECT_EQ(provider->SaveSignCert(cert.data(), uint32_t(cert.size())), err::kOk);
    return cert;
  }

  testing::TempDir work, keys, nssdb;
  testing::ScopedEnv db{"ORVANE_NSSDB", nssdb.str()};
  std::unique_ptr<testing::ScopedEnv> prompt;
};

// OpenSSL checks our signatures with the certificate's key.
bool OpenSslVerifies(const Bytes& certDer, const std::string& data, const Bytes& signature, const char* md,
                     bool sm2) {
  const uint8_t* p = certDer.data();
  OsslPtr<X509> cert(d2i_X509(nullptr, &p, long(certDer.size())));
  EVP_PKEY* key = X509_get0_pubkey(cert.get());
  if (key == nullptr) return false;
  OsslPtr<EVP_MD_CTX> ctx(EVP_MD_CTX_new());
  EVP_PKEY_CTX* pctx = nullptr;  // owned by ctx
  if (EVP_DigestVerifyInit(ctx.get(), &pctx, EVP_get_digestbyname(md), nullptr, key) != 1) return false;
  if (sm2 && EVP_PKEY_CTX_set1_id(pctx, "1234567812345678", 16) != 1) return false;
  return EVP_DigestVerify(ctx.get(), signature.data(), signature.size(),
                          reinterpret_cast<const uint8_t*>(data.data()), data.size()) == 1;
}

struct EnrolCase {
  int32_t keyType;
  const char* file;
};

class SoftFileEnrolment : public SoftFileTest, public ::testing::WithParamInterface<EnrolCase> {};

TEST_P(SoftFileEnrolment, RequestCertificateSignAndVerify) {
  const auto [keyType, file] = GetParam();
  const bool sm2 = keyType == kKeySm2;
  auto provider = Provider(keyType);
  const Bytes request = MakeRequest(*provider);
  EXPECT_EQ(DialogCalls(), 1) << "one new-PIN dialog for the key and its request";
  EXPECT_NE(LastRequest().find("\"confirm\":true"), std::string::npos) << LastRequest();
  EXPECT_TRUE(fs::exists(Folder() + "Sign.key"));

  const Bytes cert = Issue(request, sm2);
  ASSERT_EQ(provider->SaveSignCert(cert.data(), uint32_t(cert.size())), err::kOk);
  EXPECT_FALSE(fs::exists(Folder() + "Sign.key"));
  EXPECT_TRUE(fs::exists(Folder() + file));
  struct stat st{};
  ASSERT_EQ(stat((Folder() + file).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(GetCert(*provider), cert);
  EXPECT_EQ(DialogCalls(), 1) << "the cached PIN serves the whole enrolment";

  const std::string data = "data to sign";
  const Bytes signature = Sign(*provider, data, sm2 ? 0 : 2);
  EXPECT_TRUE(OpenSslVerifies(cert, data, signature, sm2 ? "SM3" : "SHA256", sm2));
  EXPECT_FALSE(OpenSslVerifies(cert, data + "!", signature, sm2 ? "SM3" : "SHA256", sm2));
  EXPECT_EQ(provider->VerifySignData(2, reinterpret_cast<const uint8_t*>(data.data()), uint32_t(data.size()),
                                     signature.data(), uint32_t(signature.size()), cert.data(), uint32_t(cert.size())),
            err::kOk);

  // A second provider on the same folder reads the files (asking once).
  auto second = Provider(keyType);
  EXPECT_EQ(GetCert(*second), cert);
  EXPECT_EQ(DialogCalls(), sm2 ? 1 : 2) << "an SM2 certificate is read without a PIN";
}

INSTANTIATE_TEST_SUITE_P(KeyTypes, SoftFileEnrolment,
                         ::testing::Values(EnrolCase{kKeyRsa1024, "Sign.p12"}, EnrolCase{kKeyRsa2048, "Sign.p12"},
                                           EnrolCase{kKeySm2, "Sign.sm2"}),
                         [](const auto& info) { return "KeyType" + std::to_string(info.param.keyType); });

TEST_F(SoftFileTest, Pkcs7SignatureOnceAfterTheSetting) {
  const Bytes cert = Enrol(kKeyRsa2048);
  auto provider = Provider(kKeyRsa2048);
  ASSERT_EQ(provider->SetParam("signtype", "pkcs7"), err::kOk);
  const std::string data = "signed as PKCS#7";
  const Bytes p7 = Sign(*provider, data, 2);
  ASSERT_TRUE(WriteBufferToFile(work.str() + "/sig.p7", p7.data(), p7.size()));
  WriteStringToFile(work.str() + "/data", data);
  const auto verified = RunCommand("openssl smime -verify -binary -inform DER -in " + work.str() + "/sig.p7 -CAfile " +
                                   work.str() + "/ca.pem -purpose any 2>&1");
  EXPECT_EQ(verified.exitCode, 0) << verified.output;
  EXPECT_NE(verified.output.find(data), std::string::npos);
  // The next signature is bare again.
  const Bytes bare = Sign(*provider, data, 2);
  EXPECT_EQ(bare.size(), 256u);
  EXPECT_TRUE(OpenSslVerifies(cert, data, bare, "SHA256", false));
}

TEST_F(SoftFileTest, FiveWrongPinsLockAndTheNextCallAsksAgain) {
  Enrol(kKeySm2);
  auto provider = Provider(kKeySm2);
  const int before = DialogCalls();
  TypedPin("wrong-pin");
  Sign(*provider, "x", 0, err::kDeviceLocked);
  EXPECT_EQ(DialogCalls() - before, 5);
  EXPECT_NE(LastRequest().find("\"remaining\":1"), std::string::npos) << LastRequest();
  TypedPin("12345678");
  EXPECT_EQ(provider->VerifyPin("ignored"), err::kOk);
  EXPECT_EQ(DialogCalls() - before, 6);
}

TEST_F(SoftFileTest, CancelledDialogCancels) {
  std::ofstream(work.str() + "/cancel") << "";
  auto provider = Provider(kKeySm2);
  Bytes out(2048);
  uint32_t len = uint32_t(out.size());
  EXPECT_EQ(provider->GenKeyPair(out.data(), &len), err::kCancelPin);
  EXPECT_FALSE(fs::exists(Folder() + "Sign.key"));
}

// A PIN whose decryption of the key file happens to end in valid padding
// is still wrong: the result is no key.
TEST_F(SoftFileTest, WrongPinWithValidPaddingIsStillWrong) {
  auto provider = Provider(kKeySm2);
  MakeRequest(*provider);
  std::string sealed;
  ASSERT_TRUE(ReadFileToString(Folder() + "Sign.key", sealed));
  std::string lucky;
  for (int i = 0; i < 100000 && lucky.empty(); ++i) {
    const std::string pin = "guess" + std::to_string(i);
    if (DecryptWithPin(pin, ToBytes(sealed)).ok()) lucky = pin;
  }
  ASSERT_FALSE(lucky.empty());
  TypedPin(lucky);
  auto fresh = Provider(kKeySm2);  // no cached PIN
  const Bytes cert(600, 0x30);
  EXPECT_EQ(fresh->SaveSignCert(cert.data(), uint32_t(cert.size())), err::kDeviceLocked);
}

TEST_F(SoftFileTest, CertificateOfAnotherKeyIsRefusedAndNothingWritten) {
  const Bytes other = Enrol(kKeyRsa1024);
  fs::remove_all(Folder());
  auto provider = Provider(kKeyRsa1024);
  MakeRequest(*provider);
  EXPECT_EQ(provider->SaveSignCert(other.data(), uint32_t(other.size())), err::kVerifySign);
  EXPECT_FALSE(fs::exists(Folder() + "Sign.p12"));
  EXPECT_TRUE(fs::exists(Folder() + "Sign.key")) << "the request can still be completed";
}

TEST_F(SoftFileTest, UnsetKeyTypeIsTakenFromTheCredentialFile) {
  const Bytes cert = Enrol(kKeySm2);
  auto provider = Provider(kKeyUnset);
  const int before = DialogCalls();
  EXPECT_EQ(GetCert(*provider), cert);
  EXPECT_EQ(provider->keyType(), kKeySm2);
  EXPECT_EQ(DialogCalls(), before);
  auto empty = std::make_unique<CSecSoftImpl>("soft_file", kKeyUnset, keys.str() + "?nobody");
  GetCert(*empty, err::kReadFile);
}

TEST_F(SoftFileTest, RsaCredentialIsInTheUsersCertificateDatabase) {
  Enrol(kKeyRsa1024);
  const auto listing = RunCommand("certutil -L -d sql:" + nssdb.str());
  EXPECT_NE(listing.output.find("u,u,u"), std::string::npos) << listing.output;
}

// The CA delivers an encryption key pair in a signed-and-enveloped message
// made by OpenSSL: the SM4 key sealed to the new signing key, the key pair
// (PKCS#1 DER) encrypted with SM4.
Bytes DeliverEncryptionKey(const std::string& dir, const Bytes& signCertDer, const Bytes& encKeyDer) {
  const uint8_t* p = signCertDer.data();
  OsslPtr<X509> signCert(d2i_X509(nullptr, &p, long(signCertDer.size())));
  OsslPtr<BIO> caKeyBio(BIO_new_file((dir + "/ca.key").c_str(), "r"));
  OsslPtr<BIO> caCertBio(BIO_new_file((dir + "/ca.pem").c_str(), "r"));
  OsslPtr<EVP_PKEY> caKey(PEM_read_bio_PrivateKey(caKeyBio.get(), nullptr, nullptr, nullptr));
  OsslPtr<X509> caCert(PEM_read_bio_X509(caCertBio.get(), nullptr, nullptr, nullptr));
  OsslPtr<PKCS7> p7(PKCS7_new());
  EXPECT_TRUE(PKCS7_set_type(p7.get(), NID_pkcs7_signedAndEnveloped));
  EXPECT_TRUE(PKCS7_add_signature(p7.get(), caCert.get(), caKey.get(), EVP_sha256()));
  EXPECT_TRUE(PKCS7_add_recipient(p7.get(), signCert.get()));
  EXPECT_TRUE(PKCS7_set_cipher(p7.get(), EVP_sm4_ecb()));
  OsslPtr<BIO> bio(PKCS7_dataInit(p7.get(), nullptr));
  EXPECT_TRUE(bio);
  if (!bio) return {};
  BIO_write(bio.get(), encKeyDer.data(), int(encKeyDer.size()));
  BIO_flush(bio.get());
  EXPECT_TRUE(PKCS7_dataFinal(p7.get(), bio.get()));
  const int len = i2d_PKCS7(p7.get(), nullptr);
  Bytes der(static_cast<size_t>(len));
  uint8_t* q = der.data();
  i2d_PKCS7(p7.get(), &q);
  return der;
}

TEST_F(SoftFileTest, DoubleCertificateEnrolmentStoresBothCredentials) {
  const std::string d = work.str();
  auto provider = Provider(kKeyRsa2048);
  const Bytes signCert = Issue(MakeRequest(*provider), false);
  // The encryption key pair is made by the CA.
  ASSERT_EQ(RunCommand("cd " + d + " && openssl genrsa -out enc.pem 2048 2>/dev/null && "
                       "openssl rsa -in enc.pem -outform DER -traditional -out enc.der 2>/dev/null && "
                       "openssl req -new -key enc.pem -subj '/CN=Alice Enc' -outform DER -out encreq.der && "
                       "openssl x509 -req -inform DER -in encreq.der -CA ca.pem -CAkey ca.key -CAcreateserial "
                       "-outform DER -out enccert.der 2>/dev/null")
                .exitCode,
            0);
  std::string encKey, encCert;
  ASSERT_TRUE(ReadFileToString(d + "/enc.der", encKey));
  ASSERT_TRUE(ReadFileToString(d + "/enccert.der", encCert));
  const Bytes envelope = DeliverEncryptionKey(d, signCert, ToBytes(encKey));
  const Bytes enc = ToBytes(encCert);

  ASSERT_EQ(provider->SaveSignAndEncCert(signCert.data(), uint32_t(signCert.size()), enc.data(), uint32_t(enc.size()),
                                         envelope.data(), uint32_t(envelope.size())),
            err::kOk);
  EXPECT_FALSE(fs::exists(Folder() + "Sign.key"));
  const auto opened = RunCommand("openssl pkcs12 -in " + Folder() + "Enc.p12 -passin pass:12345678 -nodes 2>/dev/null");
  EXPECT_NE(opened.output.find("CN = Alice Enc"), std::string::npos) << opened.output;
  const auto modulus = RunCommand("openssl rsa -in " + d + "/enc.pem -noout -modulus").output;
  const auto stored = RunCommand("openssl pkcs12 -in " + Folder() +
                                 "Enc.p12 -passin pass:12345678 -nodes -nocerts 2>/dev/null | openssl rsa -noout -modulus")
                          .output;
  EXPECT_EQ(stored, modulus);
  EXPECT_EQ(GetCert(*provider), signCert);
}

TEST_F(SoftFileTest, DeliveredKeyNeedsAnRsaSigningKey) {
  const std::string d = work.str();
  ASSERT_EQ(RunCommand("cd " + d + " && openssl req -x509 -newkey rsa:1024 -nodes -keyout other.key -subj /CN=Other "
                       "-outform DER -out other.der >/dev/null 2>&1")
                .exitCode,
            0);
  std::string other;
  ASSERT_TRUE(ReadFileToString(d + "/other.der", other));
  const Bytes envelope = DeliverEncryptionKey(d, ToBytes(other), ToBytes("key pair"));
  auto provider = Provider(kKeySm2);
  MakeRequest(*provider);
  const Bytes cert = ToBytes(other);
  EXPECT_EQ(provider->SaveEncCert(cert.data(), uint32_t(cert.size()), envelope.data(), uint32_t(envelope.size())),
            err::kPrivateKey);
  EXPECT_TRUE(fs::exists(Folder() + "Sign.key"));
}

}  // namespace
}  // namespace orvane
