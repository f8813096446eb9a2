#include "core/providers/pin_protection.h"

#include <gtest/gtest.h>

#include "core/util/files.h"
#include "core/util/hex.h"
#include "support/command.h"
#include "support/temp_dir.h"

namespace orvane {
namespace {

std::span<const uint8_t> Bytes(const std::string& s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

// Files made by other installations must stay readable: the protection is
// AES-128-ECB keyed with MD5(PIN), which the openssl tool reproduces.
TEST(PinProtection, SameBytesAsTheOpensslTool) {
  testing::TempDir dir;
  const std::string pin = "12345678";
  for (size_t size : {1, 15, 16, 17, 600}) {
    const std::string plain(size, '\x21');
    dir.Write("plain", plain);
    const std::string md5 = testing::RunCommand("printf %s " + pin + " | openssl dgst -md5 -r").output;
    const auto reference = testing::RunCommand("openssl enc -aes-128-ecb -nosalt -K " + md5.substr(0, 32) + " -in " +
                                               dir.str() + "/plain");
    ASSERT_EQ(reference.exitCode, 0);
    auto cipher = EncryptWithPin(pin, Bytes(plain));
    ASSERT_TRUE(cipher.ok());
    EXPECT_EQ(std::string(cipher->begin(), cipher->end()), reference.output) << size;
    auto back = DecryptWithPin(pin, *cipher);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(std::string(back->begin(), back->end()), plain);
  }
}

TEST(PinProtection, WrongPinOrDamagedBytesFail) {
  auto cipher = EncryptWithPin("right", Bytes(std::string(40, 'k')));
  ASSERT_TRUE(cipher.ok());
  int wrongAccepted = 0;
  for (int i = 0; i < 50; ++i) {
    wrongAccepted += DecryptWithPin("wrong" + std::to_string(i), *cipher).ok() ? 1 : 0;
  }
  EXPECT_LT(wrongAccepted, 10);  // padding happens to be valid about 1 time in 256
  EXPECT_EQ(DecryptWithPin("right", std::span(cipher->data(), 17)).status(), err::kSymmDecrypt);
  EXPECT_EQ(DecryptWithPin("right", {}).status(), err::kSymmDecrypt);
}

}  // namespace
}  // namespace orvane
