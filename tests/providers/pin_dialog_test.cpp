#include "core/providers/pin_dialog.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/providers/cert_select_dialog.h"
#include "core/providers/key_select_dialog.h"
#include "core/resources/messages.h"
#include "support/temp_dir.h"

namespace orvane {
namespace {

using nlohmann::json;

// Records every request and answers with a fixed JSON text, or cancels.
class ScriptedRunner : public platform::DialogRunner {
 public:
  explicit ScriptedRunner(std::optional<std::string> answer) : answer_(std::move(answer)) {}
  std::optional<platform::DialogAnswer> Run(const json& request) override {
    requests.push_back(request);
    if (!answer_) return std::nullopt;
    return platform::DialogAnswer::Parse(*answer_);
  }
  std::vector<json> requests;

 private:
  std::optional<std::string> answer_;
};

class LanguageScope {
 public:
  explicit LanguageScope(MessageLanguage language) : saved_(CurrentMessageLanguage()) { SetMessageLanguage(language); }
  ~LanguageScope() { SetMessageLanguage(saved_); }

 private:
  MessageLanguage saved_;
};

constexpr auto kEnglish = MessageLanguage::kEnglish;
constexpr auto kChinese = MessageLanguage::kChinese;

// ---- Texts ---------------------------------------------------------------------

TEST(DialogTexts, AreInTheStringTableInBothLanguages) {
  const struct {
    int id;
    const char* english;
    const char* chinese;
  } cases[] = {
      {100, "Input Pin", "请输入密码"},
      {107, "Please input pin，the length is 6-16!", "请输入证书的密码，密码长度为6-16位!"},
      {109, "You can retry %d times!", "您还可以重试%d次！"},
      {115, "Modiy Pin", "修改密码"},
      {116, "Modify Pin:", "修改密码："},
      {119, "Confirm new pin：", "确认新密码："},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MessageTextUtf8(c.id, kEnglish), c.english) << c.id;
    EXPECT_EQ(MessageTextUtf8(c.id, kChinese), c.chinese) << c.id;
  }
  EXPECT_EQ(MessageTextUtf8(99, kEnglish), "");
  EXPECT_EQ(MessageTextUtf8(120, kChinese), "");
  EXPECT_EQ(MessageTextUtf8(255, kEnglish), "Cancel pin error");  // status messages still there
}

// ---- PIN entry -------------------------------------------------------------------

TEST(PinEntryDialog, TitleHintAndConfirmationFollowTheAttempts) {
  const struct {
    MessageLanguage language;
    int titleId, remaining, maximum;
    const char* title;
    const char* hint;
    bool confirm;
  } cases[] = {
      {kEnglish, 105, -1, 5, "Input Pin-P12", "Please input pin，the length is 6-16!", true},
      {kEnglish, 105, 5, 5, "Input Pin-P12", "Please input pin，the length is 6-16!", false},
      {kEnglish, 105, 4, 5, "Pin error, please retry!", "You can retry 4 times!", false},
      {kEnglish, 106, 6, 5, "Input Pin-UKEY", "Please input pin，the length is 6-16!", false},
      {kChinese, 106, 1, 5, "密码错误, 请重试", "您还可以重试1次！", false},
      {kChinese, 100, -1, 0, "请输入密码", "请输入证书的密码，密码长度为6-16位!", true},
      {kChinese, 105, 0, 5, "密码错误, 请重试", "您还可以重试0次！", false},
  };
  for (const auto& c : cases) {
    LanguageScope language(c.language);
    ScriptedRunner runner("{\"pin\":\"123456\"}");
    ASSERT_TRUE(ShowPinEntryDialog({c.titleId, c.remaining, c.maximum}, runner).ok());
    ASSERT_EQ(runner.requests.size(), 1u);
    const json& request = runner.requests[0];
    const std::string at = std::to_string(c.titleId) + "/" + std::to_string(c.remaining);
    EXPECT_EQ(request["dialog"], "pin") << at;
    EXPECT_EQ(request["title"], c.title) << at;
    EXPECT_EQ(request["hint"], c.hint) << at;
    EXPECT_EQ(request["confirm"], c.confirm) << at;
    EXPECT_EQ(request["remaining"], c.remaining) << at;
    EXPECT_EQ(request["maximum"], c.maximum) << at;
  }
}

TEST(PinEntryDialog, RequestCarriesLabelsButtonsAndMessages) {
  const struct {
    MessageLanguage language;
    json expected;
  } cases[] = {
      {kEnglish,
       {{"label", "Input Pin:"},
        {"confirmLabel", "Confirm Pin:"},
        {"ok", "OK"},
        {"cancel", "Cancel"},
        {"messages",
         {{"caption", "Error"},
          {"empty", "Please input pin!"},
          {"length", "Pin length error, the length is 6-16!"},
          {"emptyConfirm", "Please input pin again!"},
          {"mismatch", "The password does not match!"}}}}},
      {kChinese,
       {{"label", "请输入密码："},
        {"confirmLabel", "确认密码："},
        {"ok", "确定"},
        {"cancel", "取消"},
        {"messages",
         {{"caption", "错误"},
          {"empty", "请输入密码！"},
          {"length", "您输入的密码长度有误，长度为6-16！"},
          {"emptyConfirm", "请再次输入密码！"},
          {"mismatch", "您两次输入的密码不同！"}}}}},
  };
  for (const auto& c : cases) {
    LanguageScope language(c.language);
    ScriptedRunner runner(std::nullopt);
    ShowPinEntryDialog({105, -1, 5}, runner);
    ASSERT_EQ(runner.requests.size(), 1u);
    for (const auto& [name, value] : c.expected.items()) EXPECT_EQ(runner.requests[0][name], value) << name;
  }
}

TEST(PinEntryDialog, AnswerOrCancel) {
  const std::string pin32(32, '7');
  const struct {
    std::optional<std::string> answer;
    Status status;
    const char* pin;
  } cases[] = {
      {"{\"pin\":\"123456\"}", err::kOk, "123456"},
      {"{\"pin\":\"" + pin32 + "\"}", err::kOk, pin32.c_str()},
      {"{\"pin\":\"\xe5\xaf\x86\xe7\xa0\x81\x31\x32\x33\x34\"}", err::kOk, "\xe5\xaf\x86\xe7\xa0\x81" "1234"},
      {std::nullopt, err::kCancelPin, nullptr},           // cancelled or not shown
      {"{}", err::kCancelPin, nullptr},                   // confirmed without a PIN
      {"{\"index\":0}", err::kCancelPin, nullptr},
      {"{\"pin\":123456}", err::kCancelPin, nullptr},
      {"{\"pin\":\"\"}", err::kCancelPin, nullptr},
      {"{\"pin\":\"" + pin32 + "7\"}", err::kCancelPin, nullptr},  // longer than any dialog takes
      {"not json", err::kCancelPin, nullptr},
  };
  for (const auto& c : cases) {
    ScriptedRunner runner(c.answer);
    const auto result = ShowPinEntryDialog({105, 5, 5}, runner);
    const std::string at = c.answer.value_or("(cancelled)");
    EXPECT_EQ(result.status(), c.status) << at;
    if (c.pin != nullptr && result.ok()) {
      EXPECT_EQ(std::string(*result), c.pin) << at;
    }
  }
}

}  // namespace
}  // namespace orvane

// glibc's newlocale() leaks its search path when LOCPATH is set (outside our
// code; the test below needs LOCPATH for its compiled locale).
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:__argz_add_sep\n";
}

namespace orvane {
namespace {

// The PIN comes back in the narrow character set, as every text inside the
// library; a GB2312 locale is compiled for the test.
TEST(PinEntryDialog, PinIsConvertedToTheNarrowCharacterSet) {
  testing::TempDir locales;
  const std::string command = "localedef -i POSIX -f GB2312 " + locales.str() + "/test.GB2312 >/dev/null 2>&1";
  const int rc = std::system(command.c_str());
  if (rc == -1 || !WIFEXITED(rc) || WEXITSTATUS(rc) > 1) GTEST_SKIP() << "localedef cannot build a GB2312 locale";
  testing::ScopedEnv locpath("LOCPATH", locales.str());
  testing::ScopedEnv lcAll("LC_ALL", "test.GB2312");

  ScriptedRunner runner("{\"pin\":\"\\u5bc6\\u7801ab12\"}");  // 密码ab12
  const auto pin = ShowPinEntryDialog({105, 5, 5}, runner);
  ASSERT_TRUE(pin.ok());
  EXPECT_EQ(std::string(*pin), "\xc3\xdc\xc2\xeb" "ab12");

  ScriptedRunner change("{\"oldPin\":\"\\u5bc6\\u7801ab12\",\"newPin\":\"abcdef\"}");
  const auto pins = ShowPinChangeDialog(change);
  ASSERT_TRUE(pins.ok());
  EXPECT_EQ(std::string(pins->oldPin), "\xc3\xdc\xc2\xeb" "ab12");
  EXPECT_EQ(std::string(pins->newPin), "abcdef");
}

// ---- PIN change ------------------------------------------------------------------

TEST(PinChangeDialog, RequestCarriesItsTexts) {
  const struct {
    MessageLanguage language;
    json expected;
  } cases[] = {
      {kEnglish,
       {{"dialog", "changepin"},
        {"title", "Modiy Pin"},
        {"oldLabel", "Input old pin："},
        {"newLabel", "Input new pin:"},
        {"confirmLabel", "Confirm new pin："},
        {"ok", "OK"},
        {"cancel", "Cancel"}}},
      {kChinese,
       {{"dialog", "changepin"},
        {"title", "修改密码"},
        {"oldLabel", "输入原密码："},
        {"newLabel", "输入新密码："},
        {"confirmLabel", "确认新密码："},
        {"ok", "确定"},
        {"cancel", "取消"}}},
  };
  for (const auto& c : cases) {
    LanguageScope language(c.language);
    ScriptedRunner runner(std::nullopt);
    EXPECT_EQ(ShowPinChangeDialog(runner).status(), err::kCancelPin);
    ASSERT_EQ(runner.requests.size(), 1u);
    for (const auto& [name, value] : c.expected.items()) EXPECT_EQ(runner.requests[0][name], value) << name;
    EXPECT_EQ(runner.requests[0]["messages"]["mismatch"],
              c.language == kEnglish ? "The password does not match!" : "您两次输入的密码不同！");
  }
}

TEST(PinChangeDialog, AnswerOrCancel) {
  const std::string pin31(31, 'n');
  const struct {
    std::optional<std::string> answer;
    Status status;
  } cases[] = {
      {"{\"oldPin\":\"111111\",\"newPin\":\"" + pin31 + "\"}", err::kOk},
      {std::nullopt, err::kCancelPin},
      {"{\"oldPin\":\"111111\"}", err::kCancelPin},
      {"{\"newPin\":\"222222\"}", err::kCancelPin},
      {"{\"oldPin\":\"\",\"newPin\":\"222222\"}", err::kCancelPin},
      {"{\"oldPin\":\"111111\",\"newPin\":\"" + pin31 + "n\"}", err::kCancelPin},  // the dialog takes 31
  };
  for (const auto& c : cases) {
    ScriptedRunner runner(c.answer);
    const auto result = ShowPinChangeDialog(runner);
    EXPECT_EQ(result.status(), c.status) << c.answer.value_or("(cancelled)");
    if (result.ok()) {
      EXPECT_EQ(std::string(result->oldPin), "111111");
      EXPECT_EQ(std::string(result->newPin), pin31);
    }
  }
}

// Through a real program, as the providers use it.
TEST(PinEntryDialog, ThroughTheDialogProgram) {
  testing::TempDir dir;
  const auto program = dir.Write("prompt", "#!/bin/sh\ncat >/dev/null\nprintf '{\"pin\":\"pass-word\"}'\n");
  std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  testing::ScopedEnv env("ORVANE_PROMPT", program.string());
  const auto pin = ShowPinEntryDialog({105, -1, 5});
  ASSERT_TRUE(pin.ok());
  EXPECT_EQ(std::string(*pin), "pass-word");

  testing::ScopedEnv missing("ORVANE_PROMPT", dir.str() + "/missing");
  EXPECT_EQ(ShowPinEntryDialog({105, -1, 5}).status(), err::kCancelPin);
}

// ---- Key and certificate selection ---------------------------------------------------

TEST(KeySelectDialog, ShowsTheCandidatesAndGivesTheChoice) {
  const std::vector<KeySelectRow> rows = {{"Alice", "Test CA", "01A2"}, {"张三", "测试CA", "7F"}};
  const struct {
    std::optional<std::string> answer;
    int index;
  } cases[] = {
      {"{\"index\":0}", 0}, {"{\"index\":1}", 1}, {"{\"index\":2}", -1}, {"{\"index\":-1}", -1},
      {"{\"index\":\"1\"}", -1}, {"{}", -1}, {std::nullopt, -1},
  };
  for (const auto& c : cases) {
    LanguageScope language(kEnglish);  // the dialog has one set of texts
    ScriptedRunner runner(c.answer);
    CUKeySelectDlg dialog(rows);
    EXPECT_EQ(dialog.DoModal(runner), c.index) << c.answer.value_or("(cancelled)");
    EXPECT_EQ(dialog.chosenIndex(), c.index);
    ASSERT_EQ(runner.requests.size(), 1u);
    const json expected = {
        {"dialog", "selectkey"},
        {"caption", "选择UKEY"},
        {"text", "您的电脑中有两支或以上的UKEY，请选择您要使用的UKEY，然后点击“确定”。"},
        {"columns", {"证书所有者", "证书颁发者", "证书序列号"}},
        {"widths", {130, 130, 240}},
        {"rows", {{"Alice", "Test CA", "01A2"}, {"张三", "测试CA", "7F"}}},
        {"ok", "确定"},
        {"cancel", "取消"},
    };
    EXPECT_EQ(runner.requests[0], expected);
  }
}

TEST(CertSelectDialog, ShowsTheCertificatesAndGivesTheChoice) {
  const std::vector<CertSelectRow> rows = {{"Alice", "Test CA", "01", "2030-01-01"},
                                           {"Bob", "Test CA", "02", "2031-06-30"}};
  for (const auto& [language, caption, firstColumn] :
       {std::tuple{kEnglish, "Select Certificate", "Issued to"}, std::tuple{kChinese, "选择证书", "颁发给"}}) {
    LanguageScope scope(language);
    ScriptedRunner runner("{\"index\":1}");
    EXPECT_EQ(ShowCertSelectDialog(rows, runner), 1);
    const json& request = runner.requests.at(0);
    EXPECT_EQ(request["dialog"], "selectcert");
    EXPECT_EQ(request["caption"], caption);
    EXPECT_EQ(request["columns"][0], firstColumn);
    EXPECT_EQ(request["rows"], json({{"Alice", "Test CA", "01", "2030-01-01"}, {"Bob", "Test CA", "02", "2031-06-30"}}));
  }
  ScriptedRunner none("{\"index\":0}");
  EXPECT_EQ(ShowCertSelectDialog({}, none), -1);  // an empty list offers nothing to choose
  ScriptedRunner cancelled(std::nullopt);
  EXPECT_EQ(ShowCertSelectDialog(rows, cancelled), -1);
}

}  // namespace
}  // namespace orvane
