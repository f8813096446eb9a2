#include "bridge/commands.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "bridge/reply.h"
#include "bridge/request.h"
#include "core/api/npOrvane.h"
#include "core/util/secret.h"
#include "core/util/status.h"

namespace orvane::bridge {
namespace {

using nlohmann::json;

// The bridge's one context: made by function 2, replaced by the next
// function 2, and otherwise kept for the life of the process. Every request,
// from every connection, runs on the server thread and uses it.
ZT_HANDLE g_context = nullptr;

std::string Ok() { return CodeReply(true, 0); }
std::string Failed(Status code) { return CodeReply(false, code); }
std::string StatusReply(Status code) { return code == 0 ? Ok() : Failed(code); }

// A function with a text result: a zero-filled buffer of `capacity` bytes is
// offered, and the bytes the call reports become the reply. Results may be
// keys or plaintext, so the buffer wipes itself.
template <uint32_t capacity, typename Call>
std::string TextResult(Call call) {
  SecretBytes buffer(capacity, 0);
  uint32_t length = capacity;
  const Status code = call(reinterpret_cast<char*>(buffer.data()), &length);
  if (code != 0) return Failed(code);
  length = std::min(length, capacity);
  return TextReply({reinterpret_cast<const char*>(buffer.data()), length});
}

// The family of handlers that work on the context: no context, no call.
template <uint32_t capacity, typename Call>
std::string ContextText(const json& request, Call call) {
  if (g_context == nullptr) return Failed(err::kUninitialized);
  Params p(request);
  return TextResult<capacity>([&](char* out, uint32_t* len) { return call(p, g_context, out, len); });
}

template <typename Call>
std::string ContextStatus(const json& request, Call call) {
  if (g_context == nullptr) return Failed(err::kUninitialized);
  Params p(request);
  return StatusReply(call(p, g_context));
}

// ---- Version, context, parameters and the last error ----

std::string GetVersion(const json&) {
  return TextResult<128>([](char* out, uint32_t* len) { return ZT_GetVersion(out, len); });
}

// Reads its parameters, releases the current context, then makes the new one;
// a failure leaves the bridge without a context.
std::string Initialize(const json& request) {
  Params p(request);
  const char* prov = p.Str("Prov");
  const int32_t keyType = p.Num("Alg");
  const char* path = p.Str("Path");
  if (g_context != nullptr) {
    ZT_UnInitialize(g_context);
    g_context = nullptr;
  }
  ZT_HANDLE made = nullptr;
  const Status code = ZT_Initialize(prov, keyType, path, &made);
  if (code != 0) return Failed(code);
  g_context = made;
  return Ok();
}

std::string SetParam(const json& request) {
  return ContextStatus(request, [](Params& p, ZT_HANDLE h) { return ZT_SetParam(h, p.Str("Name"), p.Str("Data")); });
}

// ZT_GetParam reports no length: its result is the text up to the first zero.
std::string GetParam(const json& request) {
  if (g_context == nullptr) return Failed(err::kUninitialized);
  Params p(request);
  constexpr std::size_t kCapacity = 1024;
  SecretBytes buffer(kCapacity, 0);
  const Status code = ZT_GetParam(g_context, p.Str("Name"), reinterpret_cast<char*>(buffer.data()));
  if (code != 0) return Failed(code);
  const char* text = reinterpret_cast<const char*>(buffer.data());
  return TextReply({text, strnlen(text, kCapacity)});
}

// The device-status query has no exported function behind it.
std::string DeviceStatus(const json&) { return Failed(err::kUninitialized); }

std::string GetLastErrorCode(const json&) {
  if (g_context == nullptr) return Failed(err::kUninitialized);
  return CodeReply(true, ZT_GetLastErrorCode(g_context));
}

std::string GetLastErrorMsg(const json& request) {
  return ContextText<1024>(request, [](Params&, ZT_HANDLE h, char* o, uint32_t* l) {
    return ZT_GetLastErrorMsg(h, o, l);
  });
}

// ---- Keys, requests and certificates ----

std::string GenKeyPair(const json& request) {
  return ContextText<1024>(request, [](Params&, ZT_HANDLE h, char* o, uint32_t* l) { return ZT_GenKeyPair(h, o, l); });
}

std::string MakeP10(const json& request) {
  return ContextText<2048>(request, [](Params& p, ZT_HANDLE h, char* o, uint32_t* l) {
    return ZT_MakeP10(h, p.Str("DN"), p.Num("Alg"), o, l);
  });
}

std::string SaveCert(const json& request) {
  return ContextStatus(request, [](Params& p, ZT_HANDLE h) {
    return ZT_SaveCert(h, p.Str("SignCert"), p.Str("EncCert"), p.Str("EncKey"));
  });
}

std::string SaveCertChain(const json& request) {
  return ContextStatus(request, [](Params& p, ZT_HANDLE h) { return ZT_SaveCertChain(h, p.Str("CertChain")); });
}

std::string GetCert(const json& request) {
  return ContextText<4096>(request, [](Params& p, ZT_HANDLE h, char* o, uint32_t* l) {
    return ZT_GetCert(h, p.Num("Type"), o, l);
  });
}

std::string GetCertInfo(const json& request) {
  return ContextText<1024>(request, [](Params& p, ZT_HANDLE h, char* o, uint32_t* l) {
    const char* cert = p.Str("Cert");
    return ZT_GetCertInfo(h, cert, p.Num("Type"), o, l);
  });
}

std::string GetCertInfoByOid(const json& request) {
  return ContextText<1024>(request, [](Params& p, ZT_HANDLE h, char* o, uint32_t* l) {
    const char* cert = p.Str("Cert");
    return ZT_GetCertInfoByOid(h, cert, p.Str("OID"), o, l);
  });
}

std::string ImportP12Cert(const json& request) {
  return ContextStatus(request, [](Params& p, ZT_HANDLE h) {
    const int32_t type = p.Num("Type");
    const char* p12 = p.Str("P12");
    return ZT_ImportP12Cert(h, type, p12, p.Str("Pin"));
  });
}

std::string RemoveCert(const json& request) {
  return ContextStatus(request, [](Params&, ZT_HANDLE h) { return ZT_RemoveCert(h); });
}

// ---- Random numbers, digests and signatures ----

std::string GenRandom(const json& request) {
  return ContextText<1024>(request, [](Params& p, ZT_HANDLE h, char* o, uint32_t* l) {
    return ZT_GenRandom(h, p.Num("Len"), o, l);
  });
}

std::string HashData(const json& request) {
  return ContextText<512>(request, [](Params& p, ZT_HANDLE h, char* o, uint32_t* l) {
    return ZT_HashData(h, p.Str("Data"), p.Num("Alg"), o, l);
  });
}

std::string HashFile(const json& request) {
  return ContextText<4096>(request, [](Params& p, ZT_HANDLE h, char* o, uint32_t* l) {
    return ZT_HashFile(h, p.Str("File"), p.Num("Alg"), o, l);
  });
}

std::string SignData(const json& request) {
  return ContextText<4096>(request, [](Params& p, ZT_HANDLE h, char* o, uint32_t* l) {
    return ZT_SignData(h, p.Str("Data"), p.Num("Alg"), o, l);
  });
}

std::string VerifySignData(const json& request) {
  return ContextStatus(request, [](Params& p, ZT_HANDLE h) {
    const char* data = p.Str("Data");
    const char* sig = p.Str("SignData");
    const char* cert = p.Str("Cert");
    return ZT_VerifySignData(h, data, sig, cert, p.Num("Alg"));
  });
}

std::string VerifyP7SignData(const json& request) {
  return ContextStatus(request, [](Params& p, ZT_HANDLE h) { return ZT_VerifyP7SignData(h, p.Str("P7SignData")); });
}

// ---- Symmetric encryption and envelopes ----

std::string SymmEncrypt(const json& request) {
  return ContextText<10240>(request, [](Params& p, ZT_HANDLE h, char* o, uint32_t* l) {
    const char* data = p.Str("Data");
    return ZT_SymmEncrypt(h, data, p.Str("Key"), p.Num("Alg"), o, l);
  });
}

std::string SymmDecrypt(const json& request) {
  return ContextText<10240>(request, [](Params& p, ZT_HANDLE h, char* o, uint32_t* l) {
    const char* data = p.Str("Data");
    return ZT_SymmDecrypt(h, data, p.Str("Key"), p.Num("Alg"), o, l);
  });
}

std::string SymmEncryptFile(const json& request) {
  return ContextStatus(request, [](Params& p, ZT_HANDLE h) {
    const char* in = p.Str("InFile");
    const char* out = p.Str("OutFile");
    return ZT_SymmEncryptFile(h, in, out, p.Str("Key"), p.Num("Alg"));
  });
}

std::string SymmDecryptFile(const json& request) {
  return ContextStatus(request, [](Params& p, ZT_HANDLE h) {
    const char* in = p.Str("InFile");
    const char* out = p.Str("OutFile");
    return ZT_SymmDecryptFile(h, in, out, p.Str("Key"), p.Num("Alg"));
  });
}

std::string MakeEnvelope(const json& request) {
  return ContextText<10240>(request, [](Params& p, ZT_HANDLE h, char* o, uint32_t* l) {
    const char* data = p.Str("Data");
    return ZT_MakeEnvelope(h, data, p.Str("Cert"), o, l);
  });
}

std::string OpenEnvelope(const json& request) {
  return ContextText<10240>(request, [](Params& p, ZT_HANDLE h, char* o, uint32_t* l) {
    return ZT_OpenEnvelope(h, p.Str("Envelope"), o, l);
  });
}

// ---- PINs ----

std::string VerifyPin(const json& request) {
  return ContextStatus(request, [](Params& p, ZT_HANDLE h) { return ZT_VerifyPin(h, p.Str("Pin")); });
}

std::string ModifyPin(const json& request) {
  return ContextStatus(request, [](Params& p, ZT_HANDLE h) {
    const char* oldPin = p.Str("OldPin");
    return ZT_ModifyPin(h, oldPin, p.Str("NewPin"));
  });
}

std::string UnlockPin(const json& request) {
  return ContextStatus(request, [](Params& p, ZT_HANDLE h) {
    const char* adminPin = p.Str("AdminPin");
    return ZT_UnlockPin(h, adminPin, p.Str("UserPin"));
  });
}

// ---- Electronic seals ----

std::string GetSeal(const json& request) {
  return ContextText<20480>(request, [](Params& p, ZT_HANDLE h, char* o, uint32_t* l) {
    return ZT_GetSeal(h, p.Num("Num"), o, l);
  });
}

std::string GetSealItem(const json& request) {
  return ContextText<20480>(request, [](Params& p, ZT_HANDLE h, char* o, uint32_t* l) {
    const char* seal = p.Str("Seal");
    return ZT_GetSealItem(h, seal, p.Num("Type"), o, l);
  });
}

std::string VerifySeal(const json& request) {
  return ContextStatus(request, [](Params& p, ZT_HANDLE h) { return ZT_VerifySeal(h, p.Str("Seal")); });
}

struct Command {
  int32_t code;
  CommandHandler handler;
};

constexpr std::array kCommands{
    Command{1, GetVersion},         Command{2, Initialize},         Command{3, SetParam},
    Command{4, GetParam},           Command{5, DeviceStatus},       Command{6, GenKeyPair},
    Command{7, MakeP10},            Command{8, SaveCert},           Command{9, SaveCertChain},
    Command{10, GetCert},           Command{11, GetCertInfo},       Command{12, GetCertInfoByOid},
    Command{13, GenRandom},         Command{14, HashData},          Command{15, HashFile},
    Command{16, SignData},          Command{17, VerifySignData},    Command{18, VerifyP7SignData},
    Command{19, ImportP12Cert},     Command{20, RemoveCert},        Command{21, SymmEncrypt},
    Command{22, SymmDecrypt},       Command{23, MakeEnvelope},      Command{24, OpenEnvelope},
    Command{25, VerifyPin},         Command{26, GetSeal},           Command{27, GetSealItem},
    Command{28, VerifySeal},        Command{29, SymmEncryptFile},   Command{30, SymmDecryptFile},
    Command{31, ModifyPin},         Command{32, UnlockPin},         Command{99, GetLastErrorCode},
    Command{100, GetLastErrorMsg},
};

}  // namespace

CommandHandler FindCommand(int32_t code) {
  const auto it = std::find_if(kCommands.begin(), kCommands.end(), [code](const Command& c) { return c.code == code; });
  return it == kCommands.end() ? nullptr : it->handler;
}

}  // namespace orvane::bridge
