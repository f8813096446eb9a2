#include "prompt/pin_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane::prompt {
namespace {

const std::string k5(5, '1'), k6(6, '1'), k31(31, '1'), k32(32, '1'), k33(33, '1');
const std::string kSixChinese = "密码密码密码";  // 6 characters, 18 bytes
const std::string kSixteenChinese = kSixChinese + kSixChinese + "密码密码";

TEST(PinRules, PinEntry) {
  const struct {
    std::string pin, confirmation;
    bool newPin;
    Message message;
    Field focus;
  } cases[] = {
      {"", "", false, Message::kEmpty, Field::kPin},
      {k5, "", false, Message::kLength, Field::kPin},
      {"1", "", false, Message::kLength, Field::kPin},
      {k6, "", false, Message::kNone, Field::kPin},
      {k32, "", false, Message::kNone, Field::kPin},  // the hint says 16, the dialog takes 32
      {k33, "", false, Message::kLength, Field::kPin},
      {kSixChinese, "", false, Message::kNone, Field::kPin},        // characters, not bytes
      {kSixteenChinese, "", false, Message::kNone, Field::kPin},    // 48 bytes
      {k6, "ignored", false, Message::kNone, Field::kPin},          // no confirmation field
      // A new PIN: the PIN field first, then the confirmation.
      {"", "", true, Message::kEmpty, Field::kPin},
      {k5, k5, true, Message::kLength, Field::kPin},
      {k6, "", true, Message::kEmptyConfirm, Field::kConfirm},
      {k6, k5, true, Message::kLength, Field::kConfirm},
      {k6, k33, true, Message::kLength, Field::kConfirm},
      {"123456", "123457", true, Message::kMismatch, Field::kPin},  // both keep their text
      {k6, k6, true, Message::kNone, Field::kPin},
      {k32, k32, true, Message::kNone, Field::kPin},
  };
  for (const auto& c : cases) {
    const Verdict v = CheckPinEntry(c.pin, c.confirmation, c.newPin);
    const std::string at = "'" + c.pin + "' '" + c.confirmation + "' new=" + std::to_string(c.newPin);
    EXPECT_EQ(v.message, c.message) << at;
    if (!v.accepted()) {
      EXPECT_EQ(v.focus, c.focus) << at;
    }
    EXPECT_FALSE(v.clearNewAndConfirm) << at;
  }
}

TEST(PinRules, PinChange) {
  const struct {
    std::string oldPin, newPin, confirmation;
    Message message;
    Field focus;
    bool clear;
  } cases[] = {
      {"", "", "", Message::kEmpty, Field::kOldPin, false},
      {k5, k6, k6, Message::kLength, Field::kOldPin, false},
      {k6, "", "", Message::kEmpty, Field::kNewPin, false},
      {k6, k5, k5, Message::kLength, Field::kNewPin, false},
      {k6, k6, "", Message::kEmptyConfirm, Field::kConfirm, false},
      {k6, k6, k5, Message::kLength, Field::kConfirm, false},
      {k6, "222222", "222223", Message::kMismatch, Field::kNewPin, true},
      {k31, k31, k31, Message::kNone, Field::kOldPin, false},
      // The fields take 31 characters; more can only come from a terminal.
      {k32, k6, k6, Message::kLength, Field::kOldPin, false},
      {k6, k32, k32, Message::kLength, Field::kNewPin, false},
      {kSixChinese, "222222", "222222", Message::kNone, Field::kOldPin, false},
  };
  for (const auto& c : cases) {
    const Verdict v = CheckPinChange(c.oldPin, c.newPin, c.confirmation);
    const std::string at = "'" + c.oldPin + "' '" + c.newPin + "' '" + c.confirmation + "'";
    EXPECT_EQ(v.message, c.message) << at;
    if (!v.accepted()) {
      EXPECT_EQ(v.focus, c.focus) << at;
    }
    EXPECT_EQ(v.clearNewAndConfirm, c.clear) << at;
  }
}

}  // namespace
}  // namespace orvane::prompt
