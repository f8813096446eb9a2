#include "core/resources/messages.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace orvane {
namespace {

struct MessageCase {
  Status code;
  int id;
  const char* english;
  const char* chinese;
};

// A sample across every family, the defaults and the texts as users know
// them, spelling included.
const MessageCase kCases[] = {
    {0x0000, 200, "Success", "成功"},
    {0x1001, 201, "Unknow error", "未知错误"},
    {0x2042, 201, "Unknow error", "未知错误"},
    {0x1103, 201, "Unknow error", "未知错误"},
    {-1, 201, "Unknow error", "未知错误"},
    {0x1002, 202, "Parameter error", "参数错误"},
    {0x1003, 203, "Unsupport error", "不支持参数错误"},
    {0x1010, 210, "Uninitial error", "未初始化错误"},
    {0x1011, 211, "Provider error", "算法提供者错误，或者不支持"},
    {0x1013, 213, "Buf not enough error", "分配空间不足"},
    {0x1104, 218, "No key founded!", "未找到设备"},
    {0x1108, 221, "Open app error", "打开APP失败"},
    {0x1112, 268, "Open app error", "打开APP失败"},
    {0x1113, 269, "Device not init", "设备未初始化"},
    {0x2009, 233, "Random length error, 0< x < 1024", "随机数长度错误, 0< x < 1024"},
    {0x2034, 258, "Create X509 req error", "创建X509_REQ对象错误"},
    {0x2043, 266, "P7 sign data error", "P7签名错误"},
    {0x3001, 267, "Key auth error", "KEY外部认证失败"},
};

TEST(Messages, CodesMapToTheirTextsInBothLanguages) {
  for (const auto& c : kCases) {
    EXPECT_EQ(ErrorMessageId(c.code), c.id) << std::hex << c.code;
    EXPECT_EQ(MessageTextUtf8(c.id, MessageLanguage::kEnglish), c.english);
    EXPECT_EQ(MessageTextUtf8(c.id, MessageLanguage::kChinese), c.chinese);
  }
}

TEST(Messages, EveryIdentifierOfTheRangeHasBothTexts) {
  for (int id = 200; id <= 269; ++id) {
    if (id == 261) continue;  // never assigned
    EXPECT_FALSE(MessageTextUtf8(id, MessageLanguage::kEnglish).empty()) << id;
    EXPECT_FALSE(MessageTextUtf8(id, MessageLanguage::kChinese).empty()) << id;
  }
  EXPECT_TRUE(MessageTextUtf8(261, MessageLanguage::kEnglish).empty());
  EXPECT_TRUE(MessageTextUtf8(999, MessageLanguage::kChinese).empty());
}

TEST(Messages, LanguageFollowsTheFirstSetLocaleVariable) {
  struct Case {
    const char* all;
    const char* messages;
    const char* lang;
    MessageLanguage expected;
  };
  const Case cases[] = {
      {"", "", "zh_CN.UTF-8", MessageLanguage::kChinese},
      {"", "zh_CN.GB18030", "en_US.UTF-8", MessageLanguage::kChinese},
      {"de_DE.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8", MessageLanguage::kEnglish},
      {"", "", "zh_TW.UTF-8", MessageLanguage::kEnglish},
      {"", "", "", MessageLanguage::kEnglish},
  };
  for (const auto& c : cases) {
    testing::ScopedEnv all("LC_ALL", c.all), messages("LC_MESSAGES", c.messages), lang("LANG", c.lang);
    ChooseMessageLanguage();
    EXPECT_EQ(CurrentMessageLanguage(), c.expected) << c.all << "|" << c.messages << "|" << c.lang;
  }
  SetMessageLanguage(MessageLanguage::kEnglish);
}

TEST(Messages, LoadedTextIsInTheNarrowCharacterSet) {
  testing::ScopedEnv all("LC_ALL", "C.UTF-8");
  SetMessageLanguage(MessageLanguage::kChinese);
  EXPECT_EQ(LoadMessageText(200), "成功");
  EXPECT_EQ(LoadMessageText(999), "");
  SetMessageLanguage(MessageLanguage::kEnglish);
  EXPECT_EQ(LoadMessageText(200), "Success");
}

}  // namespace
}  // namespace orvane
