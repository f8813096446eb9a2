// A provider for context tests: it records the last slot call and its
// arguments, answers with a configurable status and returns fixed bytes.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "core/providers/sec_base.h"

namespace orvane::testing {

class RecordingProvider : public CSecBase {
 public:
  explicit RecordingProvider(int32_t keyType) : CSecBase(keyType) {}

  // What the test sets.
  Status answer = err::kOk;
  Status openAnswer = err::kOk;
  std::string output = "\x01\x02\x03";  // bytes every output slot returns

  // What the provider saw.
  std::string lastSlot;
  std::vector<std::string> args;  // byte arguments in order
  int32_t lastNumber = 0;
  uint32_t lastCapacity = 0;
  int openCalls = 0;

  Status Open() override {
    ++openCalls;
    return openAnswer;
  }

  Status SetParam(const char* name, const char* value) override { return Record("SetParam", {name, value}); }
  Status GenKeyPair(uint8_t* out, uint32_t* outLen) override { return Produce("GenKeyPair", {}, out, outLen); }
  Status MakeP10(const char* dn, uint32_t dnLen, int32_t hashAlg, uint8_t* out, uint32_t* outLen) override {
    lastNumber = hashAlg;
    return Produce("MakeP10", {std::string(dn, dnLen)}, out, outLen);
  }
  Status SaveSignCert(const uint8_t* c, uint32_t n) override { return Record("SaveSignCert", {S(c, n)}); }
  Status SaveSignAndEncCert(const uint8_t* s, uint32_t sn, const uint8_t* e, uint32_t en, const uint8_t* k,
                            uint32_t kn) override {
    return Record("SaveSignAndEncCert", {S(s, sn), S(e, en), S(k, kn)});
  }
  Status SaveEncCert(const uint8_t* e, uint32_t en, const uint8_t* k, uint32_t kn) override {
    return Record("SaveEncCert", {S(e, en), S(k, kn)});
  }
  Status SaveCertChain(const uint8_t* p, uint32_t n) override { return Record("SaveCertChain", {S(p, n)}); }
  Status GenRandom(int32_t len, uint8_t* out) override {
    lastNumber = len;
    if (answer != err::kOk) return Record("GenRandom", {});
    for (int32_t i = 0; i < len; ++i) out[i] = static_cast<uint8_t>(i * 7 + 1);
    return Record("GenRandom", {});
  }
  Status HashData(int32_t alg, const uint8_t* d, uint32_t n, uint8_t* out, uint32_t* outLen) override {
    lastNumber = alg;
    return Produce("HashData", {S(d, n)}, out, outLen);
  }
  Status HashFile(int32_t alg, const char* path, uint8_t* out, uint32_t* outLen) override {
    lastNumber = alg;
    return Produce("HashFile", {path}, out, outLen);
  }
  Status GetCert(int32_t type, uint8_t* out, uint32_t* outLen) override {
    lastNumber = type;
    return Produce("GetCert", {}, out, outLen);
  }
  Status GetCertInfo(const uint8_t* c, uint32_t n, int32_t type, uint8_t* out, uint32_t* outLen) override {
    lastNumber = type;
    return Produce("GetCertInfo", {S(c, n)}, out, outLen);
  }
  Status GetCertInfoByOid(const uint8_t* c, uint32_t n, const char* oid, uint8_t* out, uint32_t* outLen) override {
    return Produce("GetCertInfoByOid", {S(c, n), oid}, out, outLen);
  }
  Status SignData(int32_t alg, const uint8_t* d, uint32_t n, uint8_t* out, uint32_t* outLen) override {
    lastNumber = alg;
    return Produce("SignData", {S(d, n)}, out, outLen);
  }
  Status VerifySignData(int32_t alg, const uint8_t* d, uint32_t dn, const uint8_t* s, uint32_t sn, const uint8_t* c,
                        uint32_t cn) override {
    lastNumber = alg;
    return Record("VerifySignData", {S(d, dn), S(s, sn), S(c, cn)});
  }
  Status VerifyP7SignData(const uint8_t* p, uint32_t n) override { return Record("VerifyP7SignData", {S(p, n)}); }
  Status SymmEncrypt(int32_t alg, const uint8_t* iv, const uint8_t* k, uint32_t kn, const uint8_t* in, uint32_t n,
                     uint8_t* out, uint32_t* outLen) override {
    lastNumber = alg;
    return Produce("SymmEncrypt", {S(iv, kn), S(k, kn), S(in, n)}, out, outLen);
  }
  Status SymmDecrypt(int32_t alg, const uint8_t* iv, const uint8_t* k, uint32_t kn, const uint8_t* in, uint32_t n,
                     uint8_t* out, uint32_t* outLen) override {
    lastNumber = alg;
    return Produce("SymmDecrypt", {S(iv, kn), S(k, kn), S(in, n)}, out, outLen);
  }
  Status SymmEncryptFile(int32_t alg, const uint8_t*, const uint8_t* k, uint32_t kn, const char* in,
                         const char* out) override {
    lastNumber = alg;
    return Record("SymmEncryptFile", {S(k, kn), in, out});
  }
  Status MakeEnvelope(int32_t, const uint8_t* d, uint32_t dn, const uint8_t* c, uint32_t cn, uint8_t* out,
                      uint32_t* outLen) override {
    return Produce("MakeEnvelope", {S(d, dn), S(c, cn)}, out, outLen);
  }
  Status OpenEnvelope(const uint8_t* e, uint32_t n, uint8_t* out, uint32_t* outLen) override {
    return Produce("OpenEnvelope", {S(e, n)}, out, outLen);
  }
  Status ImportP12Cert(int32_t type, const uint8_t* p, uint32_t n, const char* pin) override {
    lastNumber = type;
    return Record("ImportP12Cert", {S(p, n), pin});
  }
  Status VerifyPin(const char* pin) override { return Record("VerifyPin", {pin}); }
  Status AsymmDecrypt(int32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*) override { return err::kUnsupported; }
  Status SignWithNewKey(int32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*) override {
    return err::kUnsupported;
  }

 private:
  static std::string S(const uint8_t* p, uint32_t n) { return std::string(reinterpret_cast<const char*>(p), n); }

  Status Record(const char* slot, std::vector<std::string> arguments) {
    lastSlot = slot;
    args = std::move(arguments);
    return answer;
  }

  Status Produce(const char* slot, std::vector<std::string> arguments, uint8_t* out, uint32_t* outLen) {
    lastCapacity = *outLen;
    Record(slot, std::move(arguments));
    if (answer != err::kOk) return answer;
    std::memcpy(out, output.data(), output.size());
    *outLen = static_cast<uint32_t>(output.size());
    return err::kOk;
  }
};

}  // namespace orvane::testing
