// The GTK dialogs on a private X server (Xvfb), typed into with xdotool.
// Validation messages are followed through the program's diagnostics and
// the message window they open; every wait is on an event, with a deadline.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <thread>

#include "prompt/prompt_process.h"

extern char** environ;

namespace orvane::testing {
namespace {

using nlohmann::json;

// ---- The X server and xdotool ---------------------------------------------------------

struct Spawned {
  pid_t pid = -1;
  int out = -1;  // the child's standard output, when captured
};

// Starts argv[0] from PATH. `keepFd` is passed on as descriptor 3;
// standard output is captured when `capture`, else discarded.
Spawned Spawn(const std::vector<std::string>& args, int keepFd, bool capture) {
  Spawned child;
  int out[2] = {-1, -1};
  if (capture && pipe2(out, O_CLOEXEC) != 0) return child;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (capture) {
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  if (keepFd >= 0) posix_spawn_file_actions_adddup2(&actions, keepFd, 3);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  if (posix_spawnp(&child.pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) child.pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  if (capture) {
    close(out[1]);
    child.out = out[0];
  }
  return child;
}

class XServer : public ::testing::Environment {
 public:
  void SetUp() override {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    server_ = Spawn({"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-screen", "0", "1024x768x24"}, fds[1], false);
    close(fds[1]);
    ASSERT_GT(server_.pid, 0) << "Xvfb cannot be started";
    // Xvfb picks a free display and writes its number once it accepts clients.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    while (number.find('\n') == std::string::npos && poll(&p, 1, kWaitMs) > 0 && read(fds[0], &c, 1) == 1) number += c;
    close(fds[0]);
    ASSERT_NE(number.find('\n'), std::string::npos) << "Xvfb did not report its display";
    display_ = ":" + number.substr(0, number.find('\n'));
    setenv("DISPLAY", display_.c_str(), 1);
  }
  void TearDown() override {
    if (server_.pid > 0) {
      kill(server_.pid, SIGTERM);
      waitpid(server_.pid, nullptr, 0);
    }
  }
  static const std::string& display() { return display_; }

 private:
  Spawned server_;
  static inline std::string display_;
};

struct XdoResult {
  int status = -1;
  std::string out;
};

XdoResult Xdotool(std::vector<std::string> args) {
  args.insert(args.begin(), {"timeout", std::to_string(kWaitMs / 1000), "xdotool"});
  Spawned child = Spawn(args, -1, true);
  XdoResult result;
  if (child.pid <= 0) return result;
  char buffer[256];
  for (ssize_t n; (n = read(child.out, buffer, sizeof buffer)) > 0;) result.out.append(buffer, static_cast<std::size_t>(n));
  close(child.out);
  int status = 0;
  waitpid(child.pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

// The first visible window with exactly this title, once it is there.
std::string WaitForWindow(const std::string& title) {
  const XdoResult r = Xdotool({"search", "--sync", "--onlyvisible", "--name", "^" + title + "$"});
  return r.status == 0 ? r.out.substr(0, r.out.find('\n')) : std::string();
}

// Polls until no visible window has this title any more.
bool WaitUntilGone(const std::string& title) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}).status != 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// Gives the window the keyboard and presses keys ("Return", "Tab", ...) or
// types text.
void Keys(const std::string& window, std::initializer_list<std::string> keys) {
  ASSERT_EQ(Xdotool({"windowfocus", "--sync", window}).status, 0);
  std::vector<std::string> args = {"key", "--delay", "12"};
  args.insert(args.end(), keys);
  ASSERT_EQ(Xdotool(args).status, 0);
}
void Type(const std::string& window, const std::string& text) {
  ASSERT_EQ(Xdotool({"windowfocus", "--sync", window}).status, 0);
  ASSERT_EQ(Xdotool({"type", "--delay", "12", text}).status, 0);
}

// Waits for the message, dismisses its window and waits until it is gone.
void ExpectMessage(PromptProcess& prompt, const std::string& caption, const std::string& text) {
  ASSERT_TRUE(prompt.WaitForDiagnostic("message: " + text + "\n")) << text;
  const std::string box = WaitForWindow(caption);
  ASSERT_FALSE(box.empty()) << "no message window for " << text;
  Keys(box, {"Return"});
  ASSERT_TRUE(WaitUntilGone(caption));
}

PromptProcess::Options OnDisplay() { return {{"DISPLAY=" + XServer::display()}, false}; }

const json kEnglishMessages = {{"caption", "Error"},
                               {"empty", "Please input pin!"},
                               {"length", "Pin length error, the length is 6-16!"},
                               {"emptyConfirm", "Please input pin again!"},
                               {"mismatch", "The password does not match!"}};

// ---- PIN entry ---------------------------------------------------------------------------

TEST(GtkPinDialog, NewPinWithLengthAndMismatchMessages) {
  PromptProcess prompt(json{{"dialog", "pin"},
                            {"title", "Input Pin-P12"},
                            {"label", "Input Pin:"},
                            {"confirmLabel", "Confirm Pin:"},
                            {"hint", "Please input pin，the length is 6-16!"},
                            {"ok", "OK"},
                            {"cancel", "Cancel"},
                            {"confirm", true},
                            {"messages", kEnglishMessages}}
                           .dump(),
                       OnDisplay());
  const std::string window = WaitForWindow("Input Pin-P12");
  ASSERT_FALSE(window.empty());
  Type(window, "12345");
  Keys(window, {"Return"});
  ExpectMessage(prompt, "Error", "Pin length error, the length is 6-16!");

  Type(window, "123456");  // the PIN field has the focus, its text selected
  Keys(window, {"Tab"});
  Type(window, "123457");
  Keys(window, {"Return"});
  ExpectMessage(prompt, "Error", "The password does not match!");

  Keys(window, {"Tab"});  // from the PIN field to the confirmation
  Type(window, "123456");
  Keys(window, {"Return"});
  const PromptResult result = prompt.Finish();
  EXPECT_TRUE(result.exited);
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(json::parse(result.answer), json({{"pin", "123456"}}));
}

TEST(GtkPinDialog, RetryWithChineseTexts) {
  PromptProcess prompt(json{{"dialog", "pin"},
                            {"title", "密码错误, 请重试"},
                            {"label", "请输入密码："},
                            {"hint", "您还可以重试4次！"},
                            {"ok", "确定"},
                            {"cancel", "取消"},
                            {"confirm", false},
                            {"messages",
                             {{"caption", "错误"},
                              {"empty", "请输入密码！"},
                              {"length", "您输入的密码长度有误，长度为6-16！"}}}}
                           .dump(),
                       OnDisplay());
  const std::string window = WaitForWindow("密码错误, 请重试");
  ASSERT_FALSE(window.empty());
  Keys(window, {"Return"});
  ExpectMessage(prompt, "错误", "请输入密码！");
  Type(window, std::string(33, 'a'));
  Keys(window, {"Return"});
  ExpectMessage(prompt, "错误", "您输入的密码长度有误，长度为6-16！");
  Type(window, std::string(32, 'b'));
  Keys(window, {"Return"});
  const PromptResult result = prompt.Finish();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(json::parse(result.answer), json({{"pin", std::string(32, 'b')}}));
}

TEST(GtkPinDialog, EscapeCancels) {
  PromptProcess prompt(json{{"dialog", "pin"}, {"title", "Input Pin-UKEY"}, {"messages", kEnglishMessages}}.dump(),
                       OnDisplay());
  const std::string window = WaitForWindow("Input Pin-UKEY");
  ASSERT_FALSE(window.empty());
  Type(window, "123456");
  Keys(window, {"Escape"});
  const PromptResult result = prompt.Finish();
  EXPECT_TRUE(result.exited);
  EXPECT_NE(result.status, 0);
  EXPECT_EQ(result.answer, "");
}

// ---- PIN change ------------------------------------------------------------------------------

TEST(GtkChangePinDialog, LongFieldsMismatchAndClearing) {
  PromptProcess prompt(json{{"dialog", "changepin"},
                            {"title", "Modiy Pin"},
                            {"oldLabel", "Input old pin："},
                            {"newLabel", "Input new pin:"},
                            {"confirmLabel", "Confirm new pin："},
                            {"ok", "OK"},
                            {"cancel", "Cancel"},
                            {"messages", kEnglishMessages}}
                           .dump(),
                       OnDisplay());
  const std::string window = WaitForWindow("Modiy Pin");
  ASSERT_FALSE(window.empty());
  const std::string typed = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";  // 40 characters
  Type(window, typed);
  Keys(window, {"Tab"});
  Type(window, "222222");
  Keys(window, {"Tab"});
  Type(window, "222223");
  Keys(window, {"Return"});
  ExpectMessage(prompt, "Error", "The password does not match!");
  // Both new fields were emptied and the new-PIN field has the focus.
  Keys(window, {"Return"});
  ExpectMessage(prompt, "Error", "Please input pin!");
  Type(window, "333333");
  Keys(window, {"Tab"});
  Type(window, "333333");
  Keys(window, {"Return"});
  const PromptResult result = prompt.Finish();
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(json::parse(result.answer), json({{"oldPin", typed.substr(0, 31)}, {"newPin", "333333"}}));
}

// ---- Selection ---------------------------------------------------------------------------------

TEST(GtkSelectDialog, FirstRowStartsSelected) {
  const std::string request = json{{"dialog", "selectkey"},
                                   {"caption", "选择UKEY"},
                                   {"text", "您的电脑中有两支或以上的UKEY，请选择您要使用的UKEY，然后点击“确定”。"},
                                   {"columns", {"证书所有者", "证书颁发者", "证书序列号"}},
                                   {"widths", {130, 130, 240}},
                                   {"rows", {{"Alice", "Test CA", "01"}, {"张三", "测试CA", "02"}}},
                                   {"ok", "确定"},
                                   {"cancel", "取消"}}
                                  .dump();
  const struct {
    std::initializer_list<std::string> keys;
    int index;
  } cases[] = {{{"Return"}, 0}, {{"Down", "Return"}, 1}};
  for (const auto& c : cases) {
    PromptProcess prompt(request, OnDisplay());
    const std::string window = WaitForWindow("选择UKEY");
    ASSERT_FALSE(window.empty());
    Keys(window, c.keys);
    const PromptResult result = prompt.Finish();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(json::parse(result.answer), json({{"index", c.index}}));
    ASSERT_TRUE(WaitUntilGone("选择UKEY"));
  }
}

TEST(GtkSelectDialog, EmptyCertificateListOffersNothing) {
  PromptProcess prompt(
      json{{"dialog", "selectcert"}, {"caption", "Select Certificate"}, {"columns", {"Issued to"}}, {"rows", json::array()}}
          .dump(),
      OnDisplay());
  const std::string window = WaitForWindow("Select Certificate");
  ASSERT_FALSE(window.empty());
  Keys(window, {"Return"});
  const PromptResult result = prompt.Finish();
  EXPECT_TRUE(result.exited);
  EXPECT_NE(result.status, 0);
  EXPECT_EQ(result.answer, "");
}

const auto* const kXServer = ::testing::AddGlobalTestEnvironment(new XServer);

}  // namespace
}  // namespace orvane::testing
