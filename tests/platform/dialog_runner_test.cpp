#include "core/platform/dialog_runner.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "support/temp_dir.h"

namespace orvane::platform {
namespace {

namespace fs = std::filesystem;

// ---- The answer reader --------------------------------------------------------

TEST(DialogAnswer, ReadsTextsAndIntegers) {
  const auto answer = DialogAnswer::Parse(
      " {\"pin\" : \"a\\\"b\\\\c\\/\\u4e2d\\ud83d\\ude00\xc3\xa9\", \"index\":-12, \"n\":0}\n");
  ASSERT_TRUE(answer);
  ASSERT_NE(answer->Text("pin"), nullptr);
  EXPECT_EQ(std::string(*answer->Text("pin")), "a\"b\\c/\xe4\xb8\xad\xf0\x9f\x98\x80\xc3\xa9");
  EXPECT_EQ(answer->Integer("index"), -12);
  EXPECT_EQ(answer->Integer("n"), 0);
  // A member of the other kind, or none, is absent.
  EXPECT_EQ(answer->Text("index"), nullptr);
  EXPECT_EQ(answer->Integer("pin"), std::nullopt);
  EXPECT_EQ(answer->Text("oldPin"), nullptr);
  EXPECT_TRUE(DialogAnswer::Parse("{}"));
}

TEST(DialogAnswer, RejectsAnythingButOneFlatObject) {
  const char* const cases[] = {
      "",
      "[]",
      "\"pin\"",
      "{\"pin\":\"123456\"} x",       // trailing data
      "{\"pin\":\"123456\"}{}",       // two objects
      "{\"pin\":\"123456\",}",        // trailing comma
      "{\"a\":1,\"a\":2}",            // repeated member
      "{\"i\":01}",                   // leading zero
      "{\"i\":1.5}",                  // not an integer
      "{\"i\":1e3}",
      "{\"i\":-}",
      "{\"i\":99999999999999999999}", // beyond 64 bits
      "{\"p\":\"\x01\"}",             // raw control character
      "{\"p\":\"\\ud800\"}",          // lone surrogate
      "{\"p\":\"\\udc00\\ud800\"}",
      "{\"p\":\"\\u12g4\"}",
      "{\"p\":\"\\q\"}",              // unknown escape
      "{\"p\":\"\xff\"}",             // not UTF-8
      "{\"p\":\"\xc0\xaf\"}",         // overlong form
      "{\"p\":\"\xed\xa0\x80\"}",     // encoded surrogate
      "{\"p\":true}",
      "{\"p\":null}",
      "{\"p\":{}}",
      "{\"p\":[\"x\"]}",
      "{\"p\":\"abc",                 // unterminated
      "{\"p\" \"abc\"}",
      "{p:\"abc\"}",
  };
  for (const char* text : cases) EXPECT_FALSE(DialogAnswer::Parse(text)) << text;
}

// ---- Finding the program --------------------------------------------------------

fs::path WriteScript(const testing::TempDir& dir, const std::string& name, const std::string& body) {
  const auto path = dir.Write(name, "#!/bin/sh\n" + body);
  fs::permissions(path, fs::perms::owner_all);
  return path;
}

TEST(DialogRunner, FindsTheProgram) {
  testing::TempDir lib, bin, other;
  WriteScript(lib, "orvane-prompt", "exit 0\n");
  WriteScript(bin, "orvane-prompt", "exit 0\n");
  WriteScript(bin, "my-prompt", "exit 0\n");
  other.Write("orvane-prompt", "not executable");
  const std::string path = other.str() + ":" + bin.str();
  const std::string script = lib.str() + "/orvane-prompt";

  const struct {
    const char* override;
    std::string libraryFolder;
    std::string pathList;
    std::string expected;
  } cases[] = {
      {nullptr, lib.str(), path, lib.str() + "/orvane-prompt"},     // beside the library first
      {"", lib.str(), path, lib.str() + "/orvane-prompt"},          // empty override is no override
      {nullptr, other.str(), path, bin.str() + "/orvane-prompt"},   // not executable: PATH
      {nullptr, "", path, bin.str() + "/orvane-prompt"},
      {script.c_str(), other.str(), path, script},                  // the override wins
      {"my-prompt", lib.str(), path, bin.str() + "/my-prompt"},     // bare name: looked up in PATH
      {"/nonexistent/prompt", lib.str(), path, ""},                 // missing override: nothing
      {nullptr, other.str(), other.str(), ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindDialogProgramIn(c.override, c.libraryFolder, c.pathList.c_str()), c.expected)
        << (c.override ? c.override : "(none)") << " " << c.libraryFolder;
  }
}

// ---- Running scripted programs ---------------------------------------------------

std::size_t OpenFdCount() {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

// No child of this process is left, running or as a zombie.
bool NoChildLeft() { return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(DialogRunner, SendsTheRequestAndReadsTheAnswer) {
  testing::TempDir dir;
  const auto program = WriteScript(dir, "prompt",
                                   "cat > \"$(dirname \"$0\")/request.json\"\n"
                                   "printf '{\"pin\":\"12345\\\\u00e96\"}'\n");
  const nlohmann::json request = {{"dialog", "pin"}, {"title", "请输入密码-文件证书"}, {"confirm", true}};
  const std::size_t fdsBefore = OpenFdCount();

  ProcessDialogRunner runner(program.string());
  const auto answer = runner.Run(request);
  ASSERT_TRUE(answer);
  ASSERT_NE(answer->Text("pin"), nullptr);
  EXPECT_EQ(std::string(*answer->Text("pin")), "12345\xc3\xa9" "6");
  EXPECT_EQ(nlohmann::json::parse(ReadFile(dir.path() / "request.json")), request);
  EXPECT_EQ(OpenFdCount(), fdsBefore);
  EXPECT_TRUE(NoChildLeft());
}

TEST(DialogRunner, EverythingButAConfirmedAnswerIsCancel) {
  testing::TempDir dir;
  const struct {
    const char* name;
    std::string body;
  } cases[] = {
      {"exit-1", "cat >/dev/null\nprintf '{\"pin\":\"123456\"}'\nexit 1\n"},
      {"garbage", "cat >/dev/null\necho 'no json here'\n"},
      {"nothing", "cat >/dev/null\n"},
      {"killed", "cat >/dev/null\nprintf '{\"pin\":\"123456\"}'\nkill -9 $$\n"},
      // An answer without end: the runner stops at its bound and ends it.
      {"endless", "yes '{\"pin\":\"123456\"}'\n"},
      // Within reach of the bound, but too long all the same.
      {"huge", "head -c 70000 /dev/zero | tr '\\0' ' '\nprintf '{\"pin\":\"123456\"}'\n"},
  };
  const std::size_t fdsBefore = OpenFdCount();
  for (const auto& c : cases) {
    ProcessDialogRunner runner(WriteScript(dir, c.name, c.body).string());
    EXPECT_FALSE(runner.Run({{"dialog", "pin"}})) << c.name;
    EXPECT_TRUE(NoChildLeft()) << c.name;
  }
  const std::string notExecutable = dir.Write("plain", "#!/bin/sh\nprintf '{}'\n").string();
  for (const std::string& program : {notExecutable, dir.str() + "/missing"}) {
    ProcessDialogRunner runner(program);
    EXPECT_FALSE(runner.Run({{"dialog", "pin"}})) << program;
  }
  EXPECT_EQ(OpenFdCount(), fdsBefore);
  EXPECT_TRUE(NoChildLeft());
}

TEST(DialogRunner, AnswerWithSpaceUpToTheBoundIsRead) {
  testing::TempDir dir;
  const std::size_t padding = ProcessDialogRunner::kMaxAnswerBytes - std::string("{\"index\":1}").size();
  ProcessDialogRunner runner(WriteScript(dir, "prompt",
                                         "head -c " + std::to_string(padding) +
                                             " /dev/zero | tr '\\0' ' '\nprintf '{\"index\":1}'\n")
                                 .string());
  const auto answer = runner.Run({{"dialog", "selectkey"}});
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->Integer("index"), 1);
}

// A program that answers without reading a long request must neither
// dead-lock the runner nor kill this process with SIGPIPE.
TEST(DialogRunner, ProgramThatIgnoresALongRequest) {
  testing::TempDir dir;
  const nlohmann::json request = {{"dialog", "selectcert"}, {"rows", std::string(4 << 20, 'x')}};
  const std::size_t fdsBefore = OpenFdCount();
  for (const char* body : {"exec 0<&-\nprintf '{\"index\":0}'\n", "printf '{\"index\":0}'\n"}) {
    ProcessDialogRunner runner(WriteScript(dir, "prompt", body).string());
    const auto answer = runner.Run(request);
    ASSERT_TRUE(answer) << body;
    EXPECT_EQ(answer->Integer("index"), 0);
  }
  EXPECT_EQ(OpenFdCount(), fdsBefore);
  EXPECT_TRUE(NoChildLeft());
}

TEST(DialogRunner, DefaultRunnerUsesTheProgramNamedInTheEnvironment) {
  testing::TempDir dir;
  const auto program = WriteScript(dir, "prompt", "cat >/dev/null\nprintf '{\"index\":3}'\n");
  {
    testing::ScopedEnv env("ORVANE_PROMPT", program.string());
    const auto answer = DefaultDialogRunner().Run({{"dialog", "selectkey"}});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->Integer("index"), 3);
  }
  testing::ScopedEnv env("ORVANE_PROMPT", dir.str() + "/missing");
  EXPECT_FALSE(DefaultDialogRunner().Run({{"dialog", "selectkey"}}));
}

}  // namespace
}  // namespace orvane::platform
