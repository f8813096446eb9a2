#include <gtest/gtest.h>

#include "core/platform/dialog_runner_answer.h"
#include "prompt/answer.h"
#include "prompt/request.h"

namespace orvane::prompt {
namespace {

TEST(PromptRequest, PinRequestCarriesEveryText) {
  const auto request = ParseRequest(R"({"dialog":"pin","title":"请输入密码-文件证书","label":"L","confirmLabel":"C",
      "hint":"H","ok":"O","cancel":"X","confirm":true,"remaining":-1,"maximum":5,
      "messages":{"caption":"错误","empty":"1","length":"2","emptyConfirm":"3","mismatch":"4"}})");
  ASSERT_TRUE(request);
  const auto* pin = std::get_if<PinRequest>(&*request);
  ASSERT_NE(pin, nullptr);
  EXPECT_EQ(pin->title, "请输入密码-文件证书");
  EXPECT_EQ(pin->label + pin->confirmLabel + pin->hint + pin->ok + pin->cancel, "LCHOX");
  EXPECT_TRUE(pin->newPin);
  EXPECT_EQ(pin->messages.caption, "错误");
  EXPECT_EQ(pin->messages.Text(Message::kEmpty), "1");
  EXPECT_EQ(pin->messages.Text(Message::kLength), "2");
  EXPECT_EQ(pin->messages.Text(Message::kEmptyConfirm), "3");
  EXPECT_EQ(pin->messages.Text(Message::kMismatch), "4");
}

TEST(PromptRequest, OtherDialogs) {
  const auto change = ParseRequest(R"({"dialog":"changepin","title":"T","oldLabel":"A","newLabel":"B","confirmLabel":"C"})");
  ASSERT_TRUE(change);
  const auto* c = std::get_if<ChangePinRequest>(&*change);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->title + c->oldLabel + c->newLabel + c->confirmLabel, "TABC");

  for (const char* dialog : {"selectkey", "selectcert"}) {
    const auto select = ParseRequest(std::string(R"({"dialog":")") + dialog +
                                     R"(","caption":"K","columns":["a","b"],"widths":[130,"x"],
                                         "rows":[["1","2"],["3",4]]})");
    ASSERT_TRUE(select) << dialog;
    const auto* s = std::get_if<SelectRequest>(&*select);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->caption, "K");
    EXPECT_EQ(s->columns, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(s->widths, (std::vector<int>{130, -1}));
    EXPECT_EQ(s->rows, (std::vector<std::vector<std::string>>{{"1", "2"}, {"3", ""}}));
  }
}

TEST(PromptRequest, NoDialogWithoutAKnownName) {
  for (const char* text : {"", "[]", "{}", R"({"dialog":"other"})", R"({"dialog":1})", R"({"dialog":"pin")"}) {
    EXPECT_FALSE(ParseRequest(text)) << text;
  }
  // Missing or mistyped texts are empty, the dialog is still shown.
  const auto pin = ParseRequest(R"({"dialog":"pin","title":5,"confirm":"yes","messages":[]})");
  ASSERT_TRUE(pin);
  EXPECT_EQ(std::get<PinRequest>(*pin).title, "");
  EXPECT_FALSE(std::get<PinRequest>(*pin).newPin);
}

// The answers are read back by the library's own reader.
TEST(PromptAnswer, LibraryReadsWhatTheProgramWrites) {
  const std::string pins[] = {"123456", "a\"b\\c/d", "tab\tnew\nline\x01", "密码ab12", std::string(32, 'x')};
  for (const auto& pin : pins) {
    const auto answer = platform::DialogAnswer::Parse(PinAnswer(pin));
    ASSERT_TRUE(answer) << pin;
    ASSERT_NE(answer->Text("pin"), nullptr);
    EXPECT_EQ(std::string(*answer->Text("pin")), pin);
  }
  const auto change = platform::DialogAnswer::Parse(ChangePinAnswer("old\"1", "新的密码123"));
  ASSERT_TRUE(change);
  EXPECT_EQ(std::string(*change->Text("oldPin")), "old\"1");
  EXPECT_EQ(std::string(*change->Text("newPin")), "新的密码123");
  const auto index = platform::DialogAnswer::Parse(IndexAnswer(7));
  ASSERT_TRUE(index);
  EXPECT_EQ(index->Integer("index"), 7);
}

}  // namespace
}  // namespace orvane::prompt
