#include <gtest/gtest.h>

#include "core/crypto/rsa_key.h"
#include "core/providers/sec_soft_impl.h"
#include "core/util/files.h"
#include "support/command.h"
#include "support/temp_dir.h"

namespace orvane {
namespace {

using testing::RunCommand;

// A key made with our code and a certificate for it made by the openssl
// tool; the PKCS#12 must open with the tool and hold both.
TEST(SharedPkcs12, TheOpensslToolOpensItWithThePassword) {
  testing::TempDir dir;
  auto pair = GenerateRsaKeyPair(1024);
  ASSERT_TRUE(pair.ok());
  const std::string d = dir.str();
  ASSERT_TRUE(WriteFileAtomically(d + "/key.der", pair->privateDer));
  ASSERT_EQ(RunCommand("openssl req -new -x509 -key " + d + "/key.der -keyform DER -subj /CN=P12Test -days 2 -outform DER -out " +
                       d + "/cert.der 2>/dev/null")
                .exitCode,
            0);
  std::string cert;
  ASSERT_TRUE(ReadFileToString(d + "/cert.der", cert));

  CSecSoftImpl provider("soft_file", 1, d);
  std::vector<uint8_t> out(8192);
  uint32_t len = static_cast<uint32_t>(out.size());
  ASSERT_EQ(provider.MakeRsaP12(pair->privateDer.data(), uint32_t(pair->privateDer.size()),
                                reinterpret_cast<const uint8_t*>(cert.data()), uint32_t(cert.size()), "1234", out.data(),
                                &len),
            err::kOk);
  ASSERT_TRUE(WriteBufferToFile(d + "/out.p12", out.data(), len));
  const auto opened = RunCommand("openssl pkcs12 -in " + d + "/out.p12 -passin pass:1234 -nodes 2>/dev/null");
  EXPECT_EQ(opened.exitCode, 0);
  EXPECT_NE(opened.output.find("subject=CN = P12Test"), std::string::npos) << opened.output;
  EXPECT_NE(opened.output.find("BEGIN PRIVATE KEY"), std::string::npos);
  EXPECT_NE(RunCommand("openssl pkcs12 -in " + d + "/out.p12 -passin pass:wrong -nodes 2>/dev/null").exitCode, 0);

  // Bad inputs and a too-small output.
  uint32_t small = 100;
  EXPECT_EQ(provider.MakeRsaP12(pair->privateDer.data(), uint32_t(pair->privateDer.size()),
                                reinterpret_cast<const uint8_t*>(cert.data()), uint32_t(cert.size()), "1234", out.data(),
                                &small),
            err::kBufferTooSmall);
  EXPECT_EQ(provider.MakeRsaP12(pair->privateDer.data(), uint32_t(pair->privateDer.size()), out.data(), 10, "1234",
                                out.data(), &len),
            err::kX509);
  EXPECT_EQ(provider.MakeRsaP12(out.data(), 10, reinterpret_cast<const uint8_t*>(cert.data()), uint32_t(cert.size()),
                                "1234", out.data(), &len),
            err::kPrivateKey);
}

}  // namespace
}  // namespace orvane
