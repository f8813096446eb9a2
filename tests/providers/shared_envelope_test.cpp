#include <gtest/gtest.h>

#include "core/providers/sec_soft_impl.h"
#include "core/util/files.h"
#include "support/command.h"
#include "support/temp_dir.h"

namespace orvane {
namespace {

TEST(SharedEnvelope, OnlyOneRecipientSignedAndEnvelopedDataIsSplit) {
  testing::TempDir dir;
  const std::string d = dir.str();
  // A signed-data message (a certificate bag) is the wrong kind.
  ASSERT_EQ(testing::RunCommand("openssl req -new -x509 -newkey rsa:1024 -nodes -keyout " + d + "/k.pem -subj /CN=E "
                                "-out " + d + "/c.pem 2>/dev/null && openssl crl2pkcs7 -nocrl -certfile " + d +
                                "/c.pem -outform DER -out " + d + "/bag.p7b")
                .exitCode,
            0);
  std::string bag;
  ASSERT_TRUE(ReadFileToString(d + "/bag.p7b", bag));

  CSecSoftImpl provider("soft_file", 1, d);
  uint8_t key[256], data[2048];
  uint32_t keyLen = sizeof key, dataLen = sizeof data;
  int32_t alg = 0;
  auto parse = [&](const std::string& bytes) {
    keyLen = sizeof key;
    dataLen = sizeof data;
    return provider.ParseEnvelope(reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()), key,
                                  &keyLen, data, &dataLen, &alg);
  };
  EXPECT_EQ(parse(bag), err::kP7Type);
  EXPECT_EQ(parse("garbage"), err::kDecodeP7);
  EXPECT_EQ(parse(bag.substr(0, bag.size() / 2)), err::kDecodeP7);
  EXPECT_EQ(provider.ParseEnvelope(nullptr, 0, key, &keyLen, data, &dataLen, &alg), err::kParam);
  EXPECT_EQ(alg, 0);
}

}  // namespace
}  // namespace orvane
