// Enrolment with the file key store through the running service over
// WebSocket: a key pair and request, a certificate from a real CA (the
// openssl tool), storage, signatures checked by OpenSSL, hashes and ciphers
// compared with the openssl tool, and the PIN rules, with a scripted dialog
// program in ORVANE_PROMPT.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include "bridge/url_codec.h"
#include "core/util/base64.h"
#include "core/util/ossl_ptr.h"
#include "service_process.h"
#include "support/command.h"
#include "wire_client.h"

namespace orvane::test {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using orvane::testing::RunCommand;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// One reply: success with its text value, or failure with its code.
struct Reply {
  bool ok = false;
  std::string text;
  int code = 0;
};

class EnrolmentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string script = work.path() + "/prompt.sh";
    WriteFile(script,
              "#!/bin/sh\nd=$(dirname \"$0\")\ncat > /dev/null\necho x >> \"$d/calls\"\n"
              "[ -f \"$d/cancel\" ] && exit 1\nprintf '{\"pin\":\"%s\"}' \"$(cat \"$d/pin\")\"\n");
    fs::permissions(script, fs::perms::owner_all);
    Pin("pin-1234");
    ASSERT_EQ(RunCommand("cd " + work.path() +
                  " && openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -subj '/C=CN/O=Orvane Test/CN=Test CA'"
                  " -days 2 -out ca.pem >/dev/null 2>&1 && openssl x509 -in ca.pem -outform DER -out ca.der")
                  .exitCode,
              0);
    ServiceProcess::Options options;
    options.env = {{"ORVANE_PROMPT", script}, {"ORVANE_NSSDB", work.path() + "/nssdb"}, {"LC_ALL", "C.UTF-8"}};
    service = std::make_unique<ServiceProcess>(options);
    ws = std::make_unique<WsClient>(service->port());
  }

  void Pin(const std::string& pin) { WriteFile(work.path() + "/pin", pin); }
  int DialogCalls() {
    const std::string calls = ReadFile(work.path() + "/calls");
    return static_cast<int>(std::count(calls.begin(), calls.end(), '\n'));
  }

  // Every text parameter travels percent-encoded, as pages send it.
  Reply Call(int function, json params = json::object()) {
    for (auto& value : params) {
      if (value.is_string()) value = bridge::PercentEncode(value.get<std::string>());
    }
    const auto raw = ws->Call(json{{"F", function}, {"P", params}}.dump());
    Reply reply;
    if (!raw) return reply;
    const json parsed = json::parse(*raw);
    reply.ok = parsed["R"] == "T";
    if (parsed["V"].is_string()) reply.text = bridge::PercentDecode(parsed["V"].get<std::string>());
    if (parsed["V"].is_number()) reply.code = parsed["V"].get<int>();
    return reply;
  }
  // A successful call's text.
  std::string Text(int function, json params = json::object()) {
    const Reply reply = Call(function, params);
    EXPECT_TRUE(reply.ok) << "function " << function << " failed with " << reply.code;
    return reply.text;
  }
  void Open(int keyType) {
    EXPECT_TRUE(Call(2, {{"Prov", "soft_file"}, {"Alg", keyType}, {"Path", keys.path() + "?Cont1"}}).ok);
  }
  std::string Folder() { return keys.path() + "/Cont1/"; }

  // The CA issues a certificate for a Base64 request; the certificate as Base64.
  std::string Issue(const std::string& requestBase64, bool sm2) {
    WriteFile(work.path() + "/req.der", Base64DecodeToString(requestBase64));
    const std::string verify = sm2 ? " -vfyopt distid:1234567812345678" : "";
    const auto issued = RunCommand("cd " + work.path() + " && openssl x509 -req -inform DER -in req.der" + verify +
                            " -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -outform DER -out cert.der 2>&1");
    EXPECT_EQ(issued.exitCode, 0) << issued.output;
    return Base64Encode(ReadFile(work.path() + "/cert.der"));
  }

  // The openssl tool's verdict on a bare signature of `data` by the holder of
  // the certificate.
  bool OpenSslVerifies(const std::string& certBase64, const std::string& data, const std::string& sigBase64,
                       bool sm2) {
    const std::string d = work.path();
    WriteFile(d + "/v.cert", Base64DecodeToString(certBase64));
    WriteFile(d + "/v.data", data);
    WriteFile(d + "/v.sig", Base64DecodeToString(sigBase64));
    const std::string pub = "openssl x509 -inform DER -in " + d + "/v.cert -pubkey -noout > " + d + "/v.pub && ";
    const std::string check = sm2 ? "openssl dgst -sm3 -sigopt distid:1234567812345678 -verify " + d + "/v.pub"
                                  : "openssl dgst -sha256 -verify " + d + "/v.pub";
    return RunCommand("(" + pub + check + " -signature " + d + "/v.sig " + d + "/v.data) 2>&1").output.find("Verified OK") !=
           std::string::npos;
  }

  TempDir work, keys;
  std::unique_ptr<ServiceProcess> service;
  std::unique_ptr<WsClient> ws;
};

class EnrolmentByKeyType : public EnrolmentTest, public ::testing::WithParamInterface<int> {};

TEST_P(EnrolmentByKeyType, RequestStoreSignVerify) {
  const int keyType = GetParam();
  const bool sm2 = keyType == 3;
  Open(keyType);
  const std::string request = Text(7, {{"DN", "C=CN,O=Orvane,CN=爱丽丝"}, {"Alg", 2}});
  EXPECT_EQ(DialogCalls(), 1);
  const std::string cert = Issue(request, sm2);
  const auto subject = RunCommand("openssl x509 -inform DER -in " + work.path() + "/cert.der -noout -subject -nameopt utf8");
  EXPECT_NE(subject.output.find("CN=爱丽丝"), std::string::npos) << subject.output;

  const Reply stored = Call(8, {{"SignCert", cert}, {"EncCert", ""}, {"EncKey", ""}});
  EXPECT_TRUE(stored.ok) << stored.code;
  EXPECT_TRUE(fs::exists(Folder() + (sm2 ? "Sign.sm2" : "Sign.p12")));
  EXPECT_FALSE(fs::exists(Folder() + "Sign.key"));
  EXPECT_EQ(Text(10, {{"Type", 2}}), cert);

  const std::string data = "签名的数据 signed data";
  const std::string signature = Text(16, {{"Data", data}, {"Alg", 2}});
  EXPECT_TRUE(OpenSslVerifies(cert, data, signature, sm2));
  EXPECT_FALSE(OpenSslVerifies(cert, data + ".", signature, sm2));
  EXPECT_TRUE(Call(17, {{"Data", data}, {"SignData", signature}, {"Cert", cert}, {"Alg", 2}}).ok);
  const Reply forged = Call(17, {{"Data", data + "."}, {"SignData", signature}, {"Cert", cert}, {"Alg", 2}});
  EXPECT_FALSE(forged.ok);
  EXPECT_EQ(forged.code, 0x2019);

  // One PKCS#7 signature after the setting, read by the openssl tool.
  EXPECT_TRUE(Call(3, {{"Name", "signtype"}, {"Data", "pkcs7"}}).ok);
  const std::string p7 = Text(16, {{"Data", data}, {"Alg", 2}});
  WriteFile(work.path() + "/s.p7", Base64DecodeToString(p7));
  const auto printed = RunCommand("openssl asn1parse -inform DER -in " + work.path() + "/s.p7");
  EXPECT_NE(printed.output.find(sm2 ? "1.2.156.10197.6.1.4.2.2" : "pkcs7-signedData"), std::string::npos);
  if (!sm2) {
    const auto verified = RunCommand("openssl smime -verify -binary -inform DER -in " + work.path() + "/s.p7 -CAfile " +
                              work.path() + "/ca.pem -purpose any 2>&1");
    EXPECT_NE(verified.output.find(data), std::string::npos) << verified.output;
  }
  EXPECT_TRUE(OpenSslVerifies(cert, data, Text(16, {{"Data", data}, {"Alg", 2}}), sm2)) << "bare again";
}

INSTANTIATE_TEST_SUITE_P(SoftFile, EnrolmentByKeyType, ::testing::Values(1, 2, 3),
                         [](const auto& info) { return "KeyType" + std::to_string(info.param); });

TEST_F(EnrolmentTest, CertificateFieldsHashesCiphersAndHostFacts) {
  Open(3);
  const std::string ca = Base64Encode(ReadFile(work.path() + "/ca.der"));
  EXPECT_EQ(Text(11, {{"Cert", ca}, {"Type", 17}}), "Test CA");
  EXPECT_EQ(Text(11, {{"Cert", ca}, {"Type", 14}}), "Orvane Test");
  EXPECT_EQ(Text(11, {{"Cert", ca}, {"Type", 21}}), "C=CN,O=Orvane Test,CN=Test CA");
  const std::string constraints = Text(12, {{"Cert", ca}, {"OID", "2.5.29.19"}});
  EXPECT_EQ(constraints, std::string("\x30\x03\x01\x01\xff", 5));

  // Hashes against the openssl tool.
  const std::string text = "中文 and text";
  WriteFile(work.path() + "/h.txt", text);
  const std::pair<int, const char*> hashes[] = {{1, "sha1"}, {2, "sha256"}, {3, "sha512"}, {4, "md5"}, {6, "sm3"}};
  for (auto [alg, name] : hashes) {
    const std::string reference =
        RunCommand(std::string("openssl dgst -") + name + " -binary " + work.path() + "/h.txt | base64 -w0").output;
    EXPECT_EQ(Text(14, {{"Data", text}, {"Alg", alg}}), reference) << name;
    if (alg != 6) {
      EXPECT_EQ(Text(15, {{"File", work.path() + "/h.txt"}, {"Alg", alg}}), reference) << name;
    }
  }

  // SM4-CBC and AES-128-ECB against the openssl tool; the key is also the IV.
  const std::string key = "0123456789abcdef";
  const std::string hexKey = "30313233343536373839616263646566";
  const std::pair<int, std::string> ciphers[] = {{12, "sm4-cbc -iv " + hexKey}, {5, "aes-128-ecb"}};
  for (const auto& [alg, spec] : ciphers) {
    const std::string reference =
        RunCommand("openssl enc -" + spec + " -K " + hexKey + " -in " + work.path() + "/h.txt | base64 -w0").output;
    const std::string cipher = Text(21, {{"Data", text}, {"Key", key}, {"Alg", alg}});
    EXPECT_EQ(cipher, reference) << alg;
    EXPECT_EQ(Text(22, {{"Data", cipher}, {"Key", key}, {"Alg", alg}}), text);

    const std::string in = work.path() + "/h.txt", out = work.path() + "/h.enc", back = work.path() + "/h.back";
    EXPECT_TRUE(Call(29, {{"InFile", in}, {"OutFile", out}, {"Key", key}, {"Alg", alg}}).ok);
    EXPECT_EQ(Base64Encode(ReadFile(out)), reference);
    EXPECT_TRUE(Call(30, {{"InFile", out}, {"OutFile", back}, {"Key", key}, {"Alg", alg}}).ok);
    EXPECT_EQ(ReadFile(back), text);
  }

  EXPECT_FALSE(Text(4, {{"Name", "hostname"}}).empty());
}

TEST_F(EnrolmentTest, WrongPinsLockCancelCancelsAndAForeignCertificateIsRefused) {
  Open(1);
  const std::string cert = Issue(Text(7, {{"DN", "C=CN,CN=Bob"}, {"Alg", 1}}), false);
  ASSERT_TRUE(Call(8, {{"SignCert", cert}, {"EncCert", ""}, {"EncKey", ""}}).ok);

  // A new context starts without the cached PIN.
  Open(2);
  Open(1);
  Pin("wrong-pin");
  const int before = DialogCalls();
  const Reply locked = Call(16, {{"Data", "x"}, {"Alg", 1}});
  EXPECT_EQ(locked.code, 0x2032);
  EXPECT_EQ(DialogCalls() - before, 5);
  EXPECT_EQ(Text(100), "Device locked");

  WriteFile(work.path() + "/cancel", "");
  EXPECT_EQ(Call(25, {{"Pin", "x"}}).code, 0x2031);
  fs::remove(work.path() + "/cancel");

  // A certificate of another key: refused, nothing written.
  Pin("pin-1234");
  Open(2);
  Text(7, {{"DN", "C=CN,CN=Carol"}, {"Alg", 2}});
  const std::string p12Before = ReadFile(Folder() + "Sign.p12");
  const Reply refused = Call(8, {{"SignCert", cert}, {"EncCert", ""}, {"EncKey", ""}});
  EXPECT_EQ(refused.code, 0x2019);
  EXPECT_EQ(ReadFile(Folder() + "Sign.p12"), p12Before);
  EXPECT_TRUE(fs::exists(Folder() + "Sign.key"));
}

// The CA's delivery of an encryption key pair, made with OpenSSL's PKCS#7
// code: the SM4 key sealed to the new signing certificate, the key pair
// (PKCS#1 DER) encrypted with SM4-ECB, signed by the CA.
std::string DeliverEncryptionKey(const std::string& dir, const std::string& signCertDer, const std::string& keyDer) {
  const auto* p = reinterpret_cast<const unsigned char*>(signCertDer.data());
  OsslPtr<X509> signCert(d2i_X509(nullptr, &p, long(signCertDer.size())));
  OsslPtr<BIO> keyBio(BIO_new_file((dir + "/ca.key").c_str(), "r"));
  OsslPtr<BIO> certBio(BIO_new_file((dir + "/ca.pem").c_str(), "r"));
  OsslPtr<EVP_PKEY> caKey(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
  OsslPtr<X509> caCert(PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr));
  OsslPtr<PKCS7> p7(PKCS7_new());
  if (!signCert || !caKey || !caCert || !PKCS7_set_type(p7.get(), NID_pkcs7_signedAndEnveloped) ||
      !PKCS7_add_signature(p7.get(), caCert.get(), caKey.get(), EVP_sha256()) ||
      !PKCS7_add_recipient(p7.get(), signCert.get()) || !PKCS7_set_cipher(p7.get(), EVP_sm4_ecb())) {
    return {};
  }
  OsslPtr<BIO> bio(PKCS7_dataInit(p7.get(), nullptr));
  if (!bio || BIO_write(bio.get(), keyDer.data(), int(keyDer.size())) != int(keyDer.size()) ||
      BIO_flush(bio.get()) != 1 || !PKCS7_dataFinal(p7.get(), bio.get())) {
    return {};
  }
  std::string der(size_t(i2d_PKCS7(p7.get(), nullptr)), '\0');
  auto* q = reinterpret_cast<unsigned char*>(der.data());
  i2d_PKCS7(p7.get(), &q);
  return der;
}

TEST_F(EnrolmentTest, DoubleCertificateEnrolment) {
  const std::string d = work.path();
  Open(2);
  const std::string signCert = Issue(Text(7, {{"DN", "C=CN,CN=Dora"}, {"Alg", 2}}), false);
  ASSERT_EQ(RunCommand("cd " + d + " && openssl genrsa -out enc.pem 2048 2>/dev/null && "
                     "openssl rsa -in enc.pem -outform DER -traditional -out enc.der 2>/dev/null && "
                     "openssl req -new -key enc.pem -subj '/C=CN/CN=Dora Enc' -outform DER -out encreq.der && "
                     "openssl x509 -req -inform DER -in encreq.der -CA ca.pem -CAkey ca.key -CAcreateserial "
                     "-outform DER -out enccert.der 2>/dev/null")
                .exitCode,
            0);
  const std::string envelope =
      DeliverEncryptionKey(d, Base64DecodeToString(signCert), ReadFile(d + "/enc.der"));
  ASSERT_FALSE(envelope.empty());
  const std::string encCert = Base64Encode(ReadFile(d + "/enccert.der"));
  const Reply stored = Call(8, {{"SignCert", signCert}, {"EncCert", encCert}, {"EncKey", Base64Encode(envelope)}});
  EXPECT_TRUE(stored.ok) << stored.code;
  EXPECT_EQ(Text(10, {{"Type", 2}}), signCert);
  EXPECT_EQ(Text(10, {{"Type", 1}}), encCert);
  const auto modulus = RunCommand("openssl rsa -in " + d + "/enc.pem -noout -modulus").output;
  const auto storedKey = RunCommand("openssl pkcs12 -in " + Folder() +
                                   "Enc.p12 -passin pass:pin-1234 -nodes -nocerts 2>/dev/null | openssl rsa -noout "
                                   "-modulus").output;
  EXPECT_EQ(storedKey, modulus);
}

}  // namespace
}  // namespace orvane::test
