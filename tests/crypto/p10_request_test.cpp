// Requests built with software keys, checked by `openssl req -verify` and
// read back by OpenSSL's X509_REQ parser.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <openssl/evp.h>
#include <openssl/rsa.h>

#include "core/crypto/p10_request.h"
#include "core/util/ossl_ptr.h"
#include "core/util/secret.h"
#include "core/util/sm2/sm2_key.h"
#include "core/util/sm2/sm2_sign.h"

namespace orvane {
namespace {

// Writes `der` to a temporary file and runs `openssl req` on it; returns the
// command's exit status and fills its output.
int OpensslReq(const std::vector<uint8_t>& der, const std::string& args, std::string* output) {
  char path[] = "/tmp/orvane-p10-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return -1;
  FILE* f = fdopen(fd, "wb");
  fwrite(der.data(), 1, der.size(), f);
  fclose(f);
  const std::string cmd = "openssl req -inform DER -in " + std::string(path) + " " + args + " 2>&1";
  FILE* pipe = popen(cmd.c_str(), "r");
  char buf[512];
  output->clear();
  while (pipe && fgets(buf, sizeof buf, pipe)) *output += buf;
  const int status = pipe ? pclose(pipe) : -1;
  std::remove(path);
  return status;
}

OsslPtr<X509_REQ> ParseReq(const std::vector<uint8_t>& der) {
  const unsigned char* p = der.data();
  return OsslPtr<X509_REQ>(d2i_X509_REQ(nullptr, &p, static_cast<long>(der.size())));
}

const EVP_MD* RsaDigest(int32_t hashAlg) {
  switch (hashAlg) {
    case 1: return EVP_sha1();
    case 2: return EVP_sha256();
    case 3: return EVP_sha512();
    case 4: return EVP_md5();
    default: return nullptr;
  }
}

// A provider stand-in with an RSA key made by OpenSSL.
struct RsaSoftKey {
  OsslPtr<EVP_PKEY> key;
  int genCalls = 0, signCalls = 0;

  P10KeyOps Ops() {
    return {[this](uint8_t* out, uint32_t* outLen) {
              ++genCalls;
              key.reset(EVP_RSA_gen(1024));
              unsigned char* der = nullptr;
              const int len = i2d_PublicKey(key.get(), &der);  // PKCS#1 RSAPublicKey
              if (len <= 0 || static_cast<uint32_t>(len) > *outLen) return err::kGenKeyPair;
              std::copy(der, der + len, out);
              *outLen = static_cast<uint32_t>(len);
              OPENSSL_free(der);
              return err::kOk;
            },
            [this](int32_t hashAlg, const uint8_t* data, uint32_t len, uint8_t* out, uint32_t* outLen) {
              ++signCalls;
              const EVP_MD* md = RsaDigest(hashAlg);
              if (md == nullptr) return err::kUnsupportedAlg;
              OsslPtr<EVP_MD_CTX> ctx(EVP_MD_CTX_new());
              size_t sigLen = *outLen;
              if (EVP_DigestSignInit(ctx.get(), nullptr, md, nullptr, key.get()) != 1 ||
                  EVP_DigestSign(ctx.get(), out, &sigLen, data, len) != 1) {
                return err::kSignData;
              }
              *outLen = static_cast<uint32_t>(sigLen);
              return err::kOk;
            },
            [](X509_REQ* req, const char* dn) { return SetRequestSubjectForTest(req, dn); }};
  }
  static Status SetRequestSubjectForTest(X509_REQ* req, const char* dn);
};

}  // namespace
}  // namespace orvane

#include "core/crypto/dn_text.h"

namespace orvane {
namespace {

Status RsaSoftKey::SetRequestSubjectForTest(X509_REQ* req, const char* dn) { return SetRequestSubject(req, dn); }

// A provider stand-in with a software SM2 key.
struct Sm2SoftKey {
  SecretBytes priv;
  P10KeyOps Ops() {
    return {[this](uint8_t* out, uint32_t* outLen) {
              std::vector<uint8_t> pub;
              if (Sm2GenerateKeyPair(&pub, &priv) != 0 || pub.size() > *outLen) return err::kGenKeyPair;
              std::copy(pub.begin(), pub.end(), out);
              *outLen = static_cast<uint32_t>(pub.size());
              return err::kOk;
            },
            [this](int32_t, const uint8_t* data, uint32_t len, uint8_t* out, uint32_t* outLen) {
              std::vector<uint8_t> sig;
              if (Sm2SignMessage({data, len}, priv, &sig) != 0 || sig.size() > *outLen) return err::kSignData;
              std::copy(sig.begin(), sig.end(), out);
              *outLen = static_cast<uint32_t>(sig.size());
              return err::kOk;
            },
            nullptr};
  }
};

TEST(P10Request, RsaRequestVerifiedByOpenssl) {
  for (int32_t hashAlg : {1, 2, 3, 4}) {
    RsaSoftKey soft;
    auto req = BuildRsaRequest(soft.Ops(), "C=CN,O=Org,CN=Name", hashAlg);
    ASSERT_TRUE(req.ok()) << std::hex << req.status();
    std::string out;
    EXPECT_EQ(OpensslReq(*req, "-verify -noout", &out), 0) << out;
    EXPECT_NE(out.find("verify OK"), std::string::npos) << out;
    auto parsed = ParseReq(*req);
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(X509_REQ_get_version(parsed.get()), 2);
    const int nids[] = {0, NID_sha1WithRSAEncryption, NID_sha256WithRSAEncryption, NID_sha512WithRSAEncryption,
                        NID_md5WithRSAEncryption};
    EXPECT_EQ(X509_REQ_get_signature_nid(parsed.get()), nids[hashAlg]);
  }
}

TEST(P10Request, RsaRequestHasEmptyAttributeSet) {
  RsaSoftKey soft;
  auto req = BuildRsaRequest(soft.Ops(), "C=CN,CN=Name", 2);
  ASSERT_TRUE(req.ok());
  std::string out;
  ASSERT_EQ(OpensslReq(*req, "-noout -text", &out), 0) << out;
  EXPECT_NE(out.find("Version: Unknown (2)"), std::string::npos) << out;
  auto parsed = ParseReq(*req);
  ASSERT_NE(parsed, nullptr);
  EXPECT_EQ(X509_REQ_get_attr_count(parsed.get()), 0);  // present and empty
  EXPECT_NE(out.find("sha256WithRSAEncryption"), std::string::npos) << out;
  // The attributes set is present and empty: A0 00 right after the key.
  const std::vector<uint8_t> empty = {0xA0, 0x00, 0x30};
  EXPECT_NE(std::search(req->begin(), req->end(), empty.begin(), empty.end()), req->end());
}

TEST(P10Request, RsaUnknownHashFailsAfterKeyGeneration) {
  RsaSoftKey soft;
  P10KeyOps ops = soft.Ops();
  ops.signWithNewKey = [](int32_t, const uint8_t*, uint32_t, uint8_t* out, uint32_t* outLen) {
    *outLen = 1;
    out[0] = 0;
    return err::kOk;  // a signer that accepts any number
  };
  auto req = BuildRsaRequest(ops, "C=CN,CN=Name", 6);
  EXPECT_EQ(req.status(), err::kUnsupportedAlg);
  EXPECT_EQ(soft.genCalls, 1);
  // When the signer refuses the number itself, its own code comes back.
  RsaSoftKey refusing;
  EXPECT_EQ(BuildRsaRequest(refusing.Ops(), "C=CN,CN=Name", 7).status(), err::kUnsupportedAlg);
  EXPECT_EQ(refusing.genCalls, 1);
  EXPECT_EQ(refusing.signCalls, 1);
}

TEST(P10Request, FailuresOfTheProviderComeBackUnchanged) {
  EXPECT_EQ(BuildRsaRequest(P10KeyOps{}, "C=CN,CN=x", 1).status(), err::kParam);
  P10KeyOps failingGen{[](uint8_t*, uint32_t*) { return err::kCancelPin; },
                       [](int32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*) { return err::kOk; }, nullptr};
  EXPECT_EQ(BuildRsaRequest(failingGen, "C=CN,CN=x", 1).status(), err::kCancelPin);
  EXPECT_EQ(BuildSm2Request(failingGen, "C=CN,CN=x", 6).status(), err::kCancelPin);

  Sm2SoftKey sm2;
  P10KeyOps ops = sm2.Ops();
  ops.signWithNewKey = [](int32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*) { return err::kDeviceLocked; };
  EXPECT_EQ(BuildSm2Request(ops, "C=CN,CN=x", 6).status(), err::kDeviceLocked);
  EXPECT_EQ(BuildSm2Request(sm2.Ops(), "CN=x", 6).status(), err::kDnFormat);

  P10KeyOps garbageKey{[](uint8_t* out, uint32_t* outLen) {
                         out[0] = 0x30;
                         *outLen = 1;
                         return err::kOk;
                       },
                       failingGen.signWithNewKey, nullptr};
  EXPECT_EQ(BuildRsaRequest(garbageKey, "C=CN,CN=x", 1).status(), err::kPublicKey);
  EXPECT_EQ(BuildSm2Request(garbageKey, "C=CN,CN=x", 6).status(), err::kPublicKey);
}

TEST(P10Request, Sm2RequestVerifiedByOpenssl) {
  Sm2SoftKey soft;
  auto req = BuildSm2Request(soft.Ops(), "C=CN,O=Org,CN=Name", 6);
  ASSERT_TRUE(req.ok()) << std::hex << req.status();
  std::string out;
  EXPECT_EQ(OpensslReq(*req, "-verify -noout -vfyopt distid:1234567812345678", &out), 0) << out;
  EXPECT_NE(out.find("verify OK"), std::string::npos) << out;
  // The signature is bound to the default identity: another one fails
  // (openssl req exits 0 either way; its verdict is in the text).
  OpensslReq(*req, "-verify -noout -vfyopt distid:1234567812345679", &out);
  EXPECT_EQ(out.find("verify OK"), std::string::npos) << out;
  EXPECT_NE(out.find("verify failure"), std::string::npos) << out;
  ASSERT_EQ(OpensslReq(*req, "-noout -text", &out), 0) << out;
  EXPECT_NE(out.find("Version: Unknown (2)"), std::string::npos) << out;
  EXPECT_NE(out.find("SM2-with-SM3"), std::string::npos) << out;
  EXPECT_NE(out.find("Subject: C = CN, CN = Name, O = Org"), std::string::npos) << out;
  auto parsed = ParseReq(*req);
  ASSERT_NE(parsed, nullptr);
  // No attributes field at all (OpenSSL reads its absence as no stack).
  EXPECT_EQ(X509_REQ_get_attr_count(parsed.get()), -1);
}

}  // namespace
}  // namespace orvane
