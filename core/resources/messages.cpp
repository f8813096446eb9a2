#include "core/resources/messages.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "core/resources/dialog_texts.h"
#include "core/util/text_convert.h"

namespace orvane {
namespace {

struct CodeToId {
  Status code;
  int id;
};

constexpr CodeToId kCodeIds[] = {
    {0x0000, 200},
    {0x1002, 202},
    {0x1003, 203},
    {0x1004, 204},
    {0x1005, 205},
    {0x1006, 206},
    {0x1007, 207},
    {0x1008, 208},
    {0x1009, 209},
    {0x1010, 210},
    {0x1011, 211},
    {0x1012, 212},
    {0x1013, 213},
    {0x1014, 214},
    {0x1100, 215},
    {0x1101, 216},
    {0x1102, 217},
    {0x1104, 218},
    {0x1106, 219},
    {0x1107, 220},
    {0x1108, 221},
    {0x1109, 222},
    {0x1110, 223},
    {0x1111, 224},
    {0x1112, 268},
    {0x1113, 269},
    {0x2001, 225},
    {0x2002, 226},
    {0x2003, 227},
    {0x2004, 228},
    {0x2005, 229},
    {0x2006, 230},
    {0x2007, 231},
    {0x2008, 232},
    {0x2009, 233},
    {0x2010, 234},
    {0x2011, 235},
    {0x2012, 236},
    {0x2013, 237},
    {0x2014, 238},
    {0x2015, 239},
    {0x2016, 240},
    {0x2017, 241},
    {0x2018, 242},
    {0x2019, 243},
    {0x2020, 244},
    {0x2021, 245},
    {0x2022, 246},
    {0x2023, 247},
    {0x2024, 248},
    {0x2025, 249},
    {0x2026, 250},
    {0x2027, 251},
    {0x2028, 252},
    {0x2029, 253},
    {0x2030, 254},
    {0x2031, 255},
    {0x2032, 256},
    {0x2033, 257},
    {0x2034, 258},
    {0x2035, 259},
    {0x2036, 260},
    {0x2038, 262},
    {0x2039, 263},
    {0x2040, 264},
    {0x2041, 265},
    {0x2043, 266},
    {0x3001, 267},
};

constexpr int kUnknownErrorId = 201;

struct MessageEntry {
  int id;
  const char* english;
  const char* chinese;
};

// Texts as they have always been shown to users, spelling included.
constexpr MessageEntry kMessages[] = {
    {200, "Success", "成功"},
    {201, "Unknow error", "未知错误"},
    {202, "Parameter error", "参数错误"},
    {203, "Unsupport error", "不支持参数错误"},
    {204, "Memory error", "内存错误"},
    {205, "Base64 encode error", "Base64编码错误"},
    {206, "Base64 decode error", "Base64解码错误"},
    {207, "Read file error", "读文件错误"},
    {208, "Write file error", "写文件错误"},
    {209, "Unsupport alg error", "不支持的算法错误"},
    {210, "Uninitial error", "未初始化错误"},
    {211, "Provider error", "算法提供者错误，或者不支持"},
    {212, "Cancel operator", "取消操作"},
    {213, "Buf not enough error", "分配空间不足"},
    {214, "Unrealized", "暂未实现"},
    {215, "CSP error", "CSP名称错误"},
    {216, "Acquire context error", "请求CSP错误"},
    {217, "Get user key error", "获取USER KEY错误"},
    {218, "No key founded!", "未找到设备"},
    {219, "Connect dev error", "连接设备失败"},
    {220, "Enum app error", "枚举APP失败"},
    {221, "Open app error", "打开APP失败"},
    {222, "Open cont error", "打开容器失败"},
    {223, "Enum cont error", "遍历容器失败"},
    {224, "Create cont error", "创建容器失败"},
    {225, "Decode P7 error", "P7数据格式错误"},
    {226, "P7 type error", "P7类型错误"},
    {227, "No Cert in P7", "P7数据中无证书错误"},
    {228, "X509 certificate error", "X509证书错误"},
    {229, "Read public key from cert error", "读取X509中公钥错误"},
    {230, "Decode P12 error", "P12数据格式错误"},
    {231, "Pin of P12 error", "P12 PIN码错误"},
    {232, "Create P12 error", "创建P12错误"},
    {233, "Random length error, 0< x < 1024", "随机数长度错误, 0< x < 1024"},
    {234, "Generated random error", "生成随机数错误"},
    {235, "Hash data error", "计算数据摘要错误"},
    {236, "Hash file error", "计算文件摘要错误"},
    {237, "Create hash obj error", "创建HASH对象错误"},
    {238, "Parse certificate error", "证书解析错误"},
    {239, "Symm encrypt error", "对称加密错误"},
    {240, "Symm decrypt error", "对称解密错误"},
    {241, "Sign data error", "签名错误"},
    {242, "Sign hash error", "签名摘要错误"},
    {243, "Verify sign data error", "验签错误"},
    {244, "Asymm encrypt error", "非对称加密错误"},
    {245, "Asymm decrypt error", "非对称解密错误"},
    {246, "Generated keypair error", "生成密钥对错误"},
    {247, "Import keypair error", "导入密钥对错误"},
    {248, "Export public key error", "导出公钥错误"},
    {249, "Read certificate error", "读取证书错误"},
    {250, "Save certificate error", "保存证书错误"},
    {251, "Save keypair error", "保存密钥对错误"},
    {252, "Read keypair error", "读取密钥对错误"},
    {253, "Private key error", "私钥转换错误"},
    {254, "Public key error", "公钥转换错误"},
    {255, "Cancel pin error", "取消输入密码"},
    {256, "Device locked", "输错密码次数过多"},
    {257, "Unsupport cert type", "不支持的证书类型"},
    {258, "Create X509 req error", "创建X509_REQ对象错误"},
    {259, "DN format error", "DN格式错误"},
    {260, "Delete error", "删除证书错误"},
    {262, "Sign value error", "签名值格式错误"},
    {263, "Export session key error", "导出会话密钥错误"},
    {264, "Import session key error", "导入会话密钥错误"},
    {265, "Cert not match", "证书和密钥不匹配错误"},
    {266, "P7 sign data error", "P7签名错误"},
    {267, "Key auth error", "KEY外部认证失败"},
    {268, "Open app error", "打开APP失败"},
    {269, "Device not init", "设备未初始化"},
};

constexpr std::size_t kMaxMessageBytes = 511;

std::atomic<MessageLanguage> g_language{MessageLanguage::kEnglish};

const char* FirstSetLocaleVariable() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return "";
}

}  // namespace

void ChooseMessageLanguage() {
  const bool chinese = std::strncmp(FirstSetLocaleVariable(), "zh_CN", 5) == 0;
  g_language = chinese ? MessageLanguage::kChinese : MessageLanguage::kEnglish;
}

MessageLanguage CurrentMessageLanguage() { return g_language; }

void SetMessageLanguage(MessageLanguage language) { g_language = language; }

int ErrorMessageId(Status code) {
  for (const auto& entry : kCodeIds) {
    if (entry.code == code) return entry.id;
  }
  return kUnknownErrorId;
}

std::string_view MessageTextUtf8(int id, MessageLanguage language) {
  if (auto dialogText = DialogTextUtf8(id, language); !dialogText.empty()) return dialogText;
  for (const auto& entry : kMessages) {
    if (entry.id == id) return language == MessageLanguage::kChinese ? entry.chinese : entry.english;
  }
  return {};
}

std::string LoadMessageText(int id) {
  std::string text = Utf8ToAnsiString(MessageTextUtf8(id, CurrentMessageLanguage()));
  if (text.size() > kMaxMessageBytes) text.resize(kMaxMessageBytes);
  return text;
}

}  // namespace orvane
