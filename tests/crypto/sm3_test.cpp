#include "core/crypto/sm3.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

std::string Hex(const Sm3Digest& d) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (uint8_t b : d) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

// Vectors from the examples of GB/T 32905-2016, appendix A.
TEST(Sm3, StandardExamples) {
  std::string abc = "abc";
  std::string abcd16;
  for (int i = 0; i < 16; ++i) abcd16 += "abcd";
  EXPECT_EQ(Hex(Sm3({reinterpret_cast<const uint8_t*>(abc.data()), abc.size()})),
            "66c7f0f462eeedd9d1f2d46bdc10e4e24167c4875cf2f7a2297da02b8f4ba8e0");
  EXPECT_EQ(Hex(Sm3({reinterpret_cast<const uint8_t*>(abcd16.data()), abcd16.size()})),
            "debe9ff92275b8a138604889c18e5a4d6fdb70e5387e5765293dcba39c0c5732");
}

}  // namespace
}  // namespace orvane
