#include "core/util/time_text.h"

#include <gtest/gtest.h>

#include <ctime>

#include "support/temp_dir.h"

namespace orvane {
namespace {

// The machine's time zone is part of the conversion; POSIX zone strings need
// no time-zone database.
class InZone {
 public:
  explicit InZone(const char* tz) : env_("TZ", tz) { tzset(); }
  ~InZone() { tzset(); }

 private:
  testing::ScopedEnv env_;
};

TEST(ConvertTimeText, LocalTimeToUtcPlusOffset) {
  struct Case {
    const char* zone;
    const char* in;
    int offset;
    const char* out;
  };
  const Case cases[] = {
      {"UTC0", "221231235959", 8, "230101075959"},
      {"CST-8", "221231235959", 8, "221231235959"},  // UTC+8: unchanged
      {"UTC0", "240228200000", 8, "240229040000"},   // leap day
      {"CST-8", "000101000000", 0, "991231160000"},  // before 2000 wraps like a two-digit year
      {"UTC0", "230615120000", -2, "230615100000"},
  };
  for (const auto& c : cases) {
    InZone zone(c.zone);
    EXPECT_EQ(ConvertTimeText(c.in, c.offset), c.out) << c.zone << " " << c.in;
  }
}

TEST(ConvertTimeText, TextThatIsNoTimeComesBackUnchanged) {
  InZone zone("UTC0");
  for (const char* text : {"", "2212312359", "22123123595x", "2212312359590"}) {
    EXPECT_EQ(ConvertTimeText(text, 8), text);
  }
}

}  // namespace
}  // namespace orvane
