#include "core/resources/dialog_texts.h"

namespace orvane {
namespace {

struct DialogTextEntry {
  int id;
  const char* english;
  const char* chinese;
};

// Texts as they have always been shown to users, spelling and full-width
// punctuation included.
constexpr DialogTextEntry kDialogTexts[] = {
    {100, "Input Pin", "请输入密码"},
    {101, "Input Pin:", "请输入密码："},
    {102, "Confirm Pin:", "确认密码："},
    {103, "OK", "确定"},
    {104, "Cancel", "取消"},
    {105, "Input Pin-P12", "请输入密码-文件证书"},
    {106, "Input Pin-UKEY", "请输入密码-UKEY"},
    {107, "Please input pin，the length is 6-16!", "请输入证书的密码，密码长度为6-16位!"},
    {108, "Pin error, please retry!", "密码错误, 请重试"},
    {109, "You can retry %d times!", "您还可以重试%d次！"},
    {110, "Please input pin!", "请输入密码！"},
    {111, "Error", "错误"},
    {112, "Pin length error, the length is 6-16!", "您输入的密码长度有误，长度为6-16！"},
    {113, "Please input pin again!", "请再次输入密码！"},
    {114, "The password does not match!", "您两次输入的密码不同！"},
    {115, "Modiy Pin", "修改密码"},
    {116, "Modify Pin:", "修改密码："},
    {117, "Input old pin：", "输入原密码："},
    {118, "Input new pin:", "输入新密码："},
    {119, "Confirm new pin：", "确认新密码："},
};

constexpr KeySelectTexts kKeySelect = {
    "选择UKEY",
    "您的电脑中有两支或以上的UKEY，请选择您要使用的UKEY，然后点击“确定”。",
    {"证书所有者", "证书颁发者", "证书序列号"},
    {130, 130, 240},
    "确定",
    "取消",
};

constexpr CertSelectTexts kCertSelectEnglish = {
    "Select Certificate",
    "Select the certificate you want to use.",
    {"Issued to", "Issued by", "Serial number", "Valid until"},
    "OK",
    "Cancel",
};

constexpr CertSelectTexts kCertSelectChinese = {
    "选择证书",
    "请选择您要使用的证书。",
    {"颁发给", "颁发者", "序列号", "有效期至"},
    "确定",
    "取消",
};

}  // namespace

std::string_view DialogTextUtf8(int id, MessageLanguage language) {
  for (const auto& entry : kDialogTexts) {
    if (entry.id == id) return language == MessageLanguage::kChinese ? entry.chinese : entry.english;
  }
  return {};
}

const KeySelectTexts& KeySelectDialogTexts() { return kKeySelect; }

const CertSelectTexts& CertSelectDialogTexts(MessageLanguage language) {
  return language == MessageLanguage::kChinese ? kCertSelectChinese : kCertSelectEnglish;
}

}  // namespace orvane
