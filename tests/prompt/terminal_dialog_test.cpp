// The dialogs on the controlling terminal, driven through a pseudo-terminal,
// and the choice between display, terminal and cancel.
#include <termios.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "prompt/prompt_process.h"

namespace orvane::testing {
namespace {

using nlohmann::json;

const json kMessages = {{"caption", "Error"},
                        {"empty", "Please input pin!"},
                        {"length", "Pin length error, the length is 6-16!"},
                        {"emptyConfirm", "Please input pin again!"},
                        {"mismatch", "The password does not match!"}};

std::string NewPinRequest() {
  return json{{"dialog", "pin"},      {"title", "Input Pin-P12"}, {"label", "Input Pin:"},
              {"confirmLabel", "Confirm Pin:"}, {"hint", "Please input pin，the length is 6-16!"},
              {"ok", "OK"},           {"cancel", "Cancel"},       {"confirm", true},
              {"remaining", -1},      {"maximum", 5},             {"messages", kMessages}}
      .dump();
}

PromptProcess::Options OnTerminal() { return {{}, true}; }

TEST(TerminalDialog, NewPinWithLengthAndMismatchMessages) {
  PromptProcess prompt(NewPinRequest(), OnTerminal());
  ASSERT_TRUE(prompt.started());
  ASSERT_TRUE(prompt.WaitForTerminal("Input Pin-P12"));
  ASSERT_TRUE(prompt.WaitForTerminal("Input Pin:"));
  prompt.Type("12345\r");
  ASSERT_TRUE(prompt.WaitForTerminal("Error: Pin length error, the length is 6-16!"));
  ASSERT_TRUE(prompt.WaitForTerminal("Input Pin:"));
  prompt.Type("1234567x\x7f\r");  // Backspace removes the x
  ASSERT_TRUE(prompt.WaitForTerminal("Confirm Pin:"));
  prompt.Type("\r");
  ASSERT_TRUE(prompt.WaitForTerminal("Error: Please input pin again!"));
  ASSERT_TRUE(prompt.WaitForTerminal("Confirm Pin:"));
  prompt.Type("1234568\r");
  ASSERT_TRUE(prompt.WaitForTerminal("Error: The password does not match!"));
  ASSERT_TRUE(prompt.WaitForTerminal("Input Pin:"));  // both again
  prompt.Type("1234567\r");
  ASSERT_TRUE(prompt.WaitForTerminal("Confirm Pin:"));
  prompt.Type("1234567\r");

  const PromptResult result = prompt.Finish();
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(json::parse(result.answer), json({{"pin", "1234567"}}));
  // Nothing typed was echoed, and the terminal is back in its old mode.
  EXPECT_EQ(prompt.terminalOutput().find("12345"), std::string::npos) << prompt.terminalOutput();
  EXPECT_EQ(prompt.TerminalLocalFlags() & (ECHO | ICANON | ISIG), static_cast<unsigned>(ECHO | ICANON | ISIG));
}

TEST(TerminalDialog, CancelKeysGiveNoAnswer) {
  for (const char* key : {"\x03", "12\x04"}) {  // Ctrl-C, Ctrl-D
    PromptProcess prompt(NewPinRequest(), OnTerminal());
    ASSERT_TRUE(prompt.WaitForTerminal("Input Pin:"));
    prompt.Type(key);
    const PromptResult result = prompt.Finish();
    EXPECT_TRUE(result.exited);
    EXPECT_NE(result.status, 0);
    EXPECT_EQ(result.answer, "");
    EXPECT_NE(prompt.TerminalLocalFlags() & ECHO, 0u);
  }
}

TEST(TerminalDialog, ChangePin) {
  const std::string request = json{{"dialog", "changepin"},
                                   {"title", "Modiy Pin"},
                                   {"oldLabel", "Input old pin："},
                                   {"newLabel", "Input new pin:"},
                                   {"confirmLabel", "Confirm new pin："},
                                   {"messages", kMessages}}
                                  .dump();
  PromptProcess prompt(request, OnTerminal());
  ASSERT_TRUE(prompt.WaitForTerminal("Input old pin："));
  prompt.Type("\r");
  ASSERT_TRUE(prompt.WaitForTerminal("Error: Please input pin!"));
  ASSERT_TRUE(prompt.WaitForTerminal("Input old pin："));
  prompt.Type("111111\r");
  ASSERT_TRUE(prompt.WaitForTerminal("Input new pin:"));
  prompt.Type(std::string(40, 'n') + "\r");  // more than a field takes
  ASSERT_TRUE(prompt.WaitForTerminal("Error: Pin length error, the length is 6-16!"));
  ASSERT_TRUE(prompt.WaitForTerminal("Input new pin:"));
  prompt.Type("222222\r");
  ASSERT_TRUE(prompt.WaitForTerminal("Confirm new pin："));
  prompt.Type("222223\r");
  ASSERT_TRUE(prompt.WaitForTerminal("Error: The password does not match!"));
  ASSERT_TRUE(prompt.WaitForTerminal("Input new pin:"));
  prompt.Type("333333\r");
  ASSERT_TRUE(prompt.WaitForTerminal("Confirm new pin："));
  prompt.Type("333333\r");
  const PromptResult result = prompt.Finish();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(json::parse(result.answer), json({{"oldPin", "111111"}, {"newPin", "333333"}}));
}

TEST(TerminalDialog, SelectKey) {
  const std::string request = json{{"dialog", "selectkey"},
                                   {"caption", "选择UKEY"},
                                   {"columns", {"证书所有者", "证书颁发者", "证书序列号"}},
                                   {"rows", {{"Alice", "Test CA", "01"}, {"张三", "测试CA", "02"}}}}
                                  .dump();
  const struct {
    const char* keys;
    int index;
  } cases[] = {{"\r", 0}, {"x\r2\r", 1}, {"3\r1\r", 0}};
  for (const auto& c : cases) {
    PromptProcess prompt(request, OnTerminal());
    ASSERT_TRUE(prompt.WaitForTerminal("2) 张三 | 测试CA | 02"));
    ASSERT_TRUE(prompt.WaitForTerminal("[1-2]"));
    prompt.Type(c.keys);
    const PromptResult result = prompt.Finish();
    EXPECT_EQ(result.status, 0) << c.keys;
    EXPECT_EQ(json::parse(result.answer), json({{"index", c.index}})) << c.keys;
  }
}

// Texts from certificates cannot steer the terminal.
TEST(TerminalDialog, ControlCharactersAreNotPassedToTheTerminal) {
  const std::string request =
      json{{"dialog", "selectcert"},
           {"caption", "Select\x1b]0;title\x07"},
           {"rows", {{"Eve\x1b[2J\x1b[H", "CA\xc2\x9b" "31m", "01"}, {"Bob", "CA", "02"}}}}
          .dump();
  PromptProcess prompt(request, OnTerminal());
  ASSERT_TRUE(prompt.WaitForTerminal("1) Eve?[2J?[H | CA?31m | 01"));
  ASSERT_TRUE(prompt.WaitForTerminal("[1-2]"));
  prompt.Type("2\r");
  const PromptResult result = prompt.Finish();
  EXPECT_EQ(json::parse(result.answer), json({{"index", 1}}));
  const std::string& shown = prompt.terminalOutput();
  EXPECT_NE(shown.find("Select?]0;title?"), std::string::npos) << shown;
  EXPECT_EQ(shown.find('\x07'), std::string::npos);
  EXPECT_EQ(shown.find("\xc2\x9b"), std::string::npos);
  EXPECT_EQ(shown.find("\x1b[2J"), std::string::npos);
}

// Without a display the terminal is used; without either nothing can be
// shown and the dialog counts as cancelled.
TEST(PromptFallback, DisplayThenTerminalThenCancel) {
  {
    PromptProcess prompt(NewPinRequest(), {{"DISPLAY=:4095"}, true});  // no such X server
    ASSERT_TRUE(prompt.WaitForTerminal("Input Pin:"));
    prompt.Type("654321\r");
    ASSERT_TRUE(prompt.WaitForTerminal("Confirm Pin:"));
    prompt.Type("654321\r");
    const PromptResult result = prompt.Finish();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(json::parse(result.answer), json({{"pin", "654321"}}));
  }
  for (const auto& env : {std::vector<std::string>{}, std::vector<std::string>{"DISPLAY=:4095"},
                          std::vector<std::string>{"WAYLAND_DISPLAY=orvane-none"}}) {
    PromptProcess prompt(NewPinRequest(), {env, false});
    const PromptResult result = prompt.Finish();
    EXPECT_TRUE(result.exited);
    EXPECT_NE(result.status, 0);
    EXPECT_EQ(result.answer, "");
  }
}

// A dialog program started by a background job must not be stopped by the
// terminal at its first read: it cancels instead.
TEST(PromptFallback, BackgroundJobDoesNotUseTheTerminal) {
  PromptProcess::Options options = OnTerminal();
  options.background = true;
  PromptProcess prompt(NewPinRequest(), options);
  const PromptResult result = prompt.Finish();
  EXPECT_TRUE(result.exited);
  EXPECT_NE(result.status, 0);
  EXPECT_EQ(result.answer, "");
  EXPECT_EQ(prompt.terminalOutput(), "");
}

TEST(PromptFallback, MalformedRequestIsNoDialog) {
  for (const char* request : {"", "not json", R"({"dialog":"unknown"})"}) {
    PromptProcess prompt(request, OnTerminal());
    const PromptResult result = prompt.Finish();
    EXPECT_TRUE(result.exited);
    EXPECT_NE(result.status, 0);
    EXPECT_EQ(result.answer, "");
    EXPECT_EQ(prompt.terminalOutput(), "") << request;  // nothing was shown
  }
}

}  // namespace
}  // namespace orvane::testing
