// Signing 1 KiB of text with an SM2 key of the file store through the
// exported function (PIN cached), beside OpenSSL's raw SM2 signing of the
// same text.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <openssl/evp.h>

#include "core/api/npOrvane.h"
#include "core/util/base64.h"
#include "core/util/files.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

const std::string kText(1024, 'a');

std::string Slurp(const std::string& path) {
  std::string bytes;
  ReadFileToString(path, bytes);
  return bytes;
}

// A handle of the file store with an enrolled SM2 key: a request, a
// certificate from a throw-away CA made by the openssl tool, and the PIN
// cached by the enrolment. Null when the set-up fails.
ZT_HANDLE EnrolledHandle() {
  static ZT_HANDLE handle = [] {
    char pattern[] = "/tmp/orvane-bench-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string prompt = dir + "/prompt.sh";
    std::ofstream(prompt) << "#!/bin/sh\ncat >/dev/null\nprintf '{\"pin\":\"12345678\"}'\n";
    std::filesystem::permissions(prompt, std::filesystem::perms::owner_all);
    setenv("ORVANE_PROMPT", prompt.c_str(), 1);
    ZT_HANDLE h = nullptr;
    if (ZT_Initialize("soft_file", 3, (dir + "/keys").c_str(), &h) != 0) return ZT_HANDLE(nullptr);
    std::vector<char> out(4096);
    uint32_t len = uint32_t(out.size());
    if (ZT_MakeP10(h, "C=CN,CN=Bench", 2, out.data(), &len) != 0) return ZT_HANDLE(nullptr);
    WriteStringToFile(dir + "/req.der", Base64DecodeToString(std::string(out.data(), len)));
    // Certificates as CAs issue them, with their extensions (a bare one would
    // be too short to count as a certificate text).
    std::ofstream(dir + "/ext") << "keyUsage=critical,digitalSignature,nonRepudiation\n"
                                   "subjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n"
                                   "crlDistributionPoints=URI:http://ca.example/crl/bench.crl\n";
    const std::string issue = "cd " + dir +
                              " && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout ca.key "
                              "-subj /CN=CA -out ca.pem && openssl x509 -req -inform DER -in req.der "
                              "-vfyopt distid:1234567812345678 -CA ca.pem -CAkey ca.key -CAcreateserial -outform DER "
                              "-extfile ext -out cert.der";
    if (std::system(("(" + issue + ") >/dev/null 2>&1").c_str()) != 0) return ZT_HANDLE(nullptr);
    const std::string cert = Base64Encode(Slurp(dir + "/cert.der"));
    if (ZT_SaveCert(h, cert.c_str(), "", "") != 0) return ZT_HANDLE(nullptr);
    return h;
  }();
  return handle;
}

void SM2_SoftFileSignData_1KiB_orvane(benchmark::State& state) {
  ZT_HANDLE h = EnrolledHandle();
  if (h == nullptr) {
    state.SkipWithError("enrolment failed");
    return;
  }
  std::vector<char> out(20480);
  for (auto _ : state) {
    uint32_t len = uint32_t(out.size());
    if (ZT_SignData(h, kText.c_str(), 0, out.data(), &len) != 0) {
      state.SkipWithError("signing failed");
      return;
    }
    benchmark::DoNotOptimize(out.data());
  }
}

void SM2_SoftFileSignData_1KiB_openssl(benchmark::State& state) {
  static OsslPtr<EVP_PKEY> key(EVP_PKEY_Q_keygen(nullptr, nullptr, "SM2"));
  std::vector<uint8_t> sig(128);
  for (auto _ : state) {
    OsslPtr<EVP_MD_CTX> md(EVP_MD_CTX_new());
    EVP_PKEY_CTX* pctx = nullptr;
    size_t len = sig.size();
    if (EVP_DigestSignInit(md.get(), &pctx, EVP_sm3(), nullptr, key.get()) != 1 ||
        EVP_PKEY_CTX_set1_id(pctx, "1234567812345678", 16) != 1 ||
        EVP_DigestSign(md.get(), sig.data(), &len, reinterpret_cast<const uint8_t*>(kText.data()), kText.size()) !=
            1) {
      state.SkipWithError("signing failed");
      return;
    }
    benchmark::DoNotOptimize(sig.data());
  }
}

}  // namespace

BENCHMARK(SM2_SoftFileSignData_1KiB_orvane)->Name("SM2_SoftFileSignData_1KiB/orvane");
BENCHMARK(SM2_SoftFileSignData_1KiB_openssl)->Name("SM2_SoftFileSignData_1KiB/openssl");

}  // namespace orvane
