// SM3 and SM4: ours beside OpenSSL 3's, on the same 16 KiB of data.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include <openssl/evp.h>

#include "core/crypto/sm3.h"
#include "core/crypto/sm4.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

constexpr std::size_t kSize = 16 * 1024;

std::vector<uint8_t> Data() {
  std::vector<uint8_t> d(kSize);
  for (std::size_t i = 0; i < d.size(); ++i) d[i] = uint8_t(i * 131 + 7);
  return d;
}

const uint8_t kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const uint8_t kIv[16] = {16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1};

void Done(benchmark::State& state) { state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSize)); }

// --- SM3 ------------------------------------------------------------------------

void SM3_16KiB_orvane(benchmark::State& state) {
  const auto data = Data();
  for (auto _ : state) benchmark::DoNotOptimize(Sm3(data));
  Done(state);
}

void SM3_16KiB_openssl(benchmark::State& state) {
  const auto data = Data();
  OsslPtr<EVP_MD> md(EVP_MD_fetch(nullptr, "SM3", nullptr));
  OsslPtr<EVP_MD_CTX> ctx(EVP_MD_CTX_new());
  uint8_t out[32];
  unsigned len = 0;
  for (auto _ : state) {
    EVP_DigestInit_ex2(ctx.get(), md.get(), nullptr);
    EVP_DigestUpdate(ctx.get(), data.data(), data.size());
    EVP_DigestFinal_ex(ctx.get(), out, &len);
    benchmark::DoNotOptimize(out);
  }
  Done(state);
}

// --- SM4 ------------------------------------------------------------------------

void Sm4Ours(benchmark::State& state, bool cbc, bool encrypt) {
  const auto in = Data();
  std::vector<uint8_t> out(kSize);
  Sm4Context ctx;
  if (encrypt) {
    Sm4SetEncryptKey(&ctx, kKey);
  } else {
    Sm4SetDecryptKey(&ctx, kKey);
  }
  for (auto _ : state) {
    if (cbc) {
      uint8_t iv[16];
      std::copy(kIv, kIv + 16, iv);
      Sm4CryptCbc(&ctx, encrypt ? kSm4Encrypt : 0, int64_t(kSize), iv, in.data(), out.data());
    } else {
      Sm4CryptEcb(&ctx, int64_t(kSize), in.data(), out.data());
    }
    benchmark::DoNotOptimize(out.data());
  }
  Done(state);
}

void Sm4OpenSsl(benchmark::State& state, bool cbc, bool encrypt) {
  const auto in = Data();
  std::vector<uint8_t> out(kSize + 16);
  OsslPtr<EVP_CIPHER> cipher(EVP_CIPHER_fetch(nullptr, cbc ? "SM4-CBC" : "SM4-ECB", nullptr));
  OsslPtr<EVP_CIPHER_CTX> ctx(EVP_CIPHER_CTX_new());
  // The key schedule once, as for ours; each run only restarts the IV.
  EVP_CipherInit_ex2(ctx.get(), cipher.get(), kKey, cbc ? kIv : nullptr, encrypt ? 1 : 0, nullptr);
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  for (auto _ : state) {
    int n = 0;
    if (cbc) EVP_CipherInit_ex2(ctx.get(), nullptr, nullptr, kIv, -1, nullptr);
    EVP_CipherUpdate(ctx.get(), out.data(), &n, in.data(), int(kSize));
    benchmark::DoNotOptimize(out.data());
  }
  Done(state);
}

void SM4_ECB_16KiB_orvane(benchmark::State& s) { Sm4Ours(s, false, true); }
void SM4_ECB_16KiB_openssl(benchmark::State& s) { Sm4OpenSsl(s, false, true); }
void SM4_CBC_Encrypt_16KiB_orvane(benchmark::State& s) { Sm4Ours(s, true, true); }
void SM4_CBC_Encrypt_16KiB_openssl(benchmark::State& s) { Sm4OpenSsl(s, true, true); }
void SM4_CBC_Decrypt_16KiB_orvane(benchmark::State& s) { Sm4Ours(s, true, false); }
void SM4_CBC_Decrypt_16KiB_openssl(benchmark::State& s) { Sm4OpenSsl(s, true, false); }

}  // namespace

BENCHMARK(SM3_16KiB_orvane)->Name("SM3_16KiB/orvane");
BENCHMARK(SM3_16KiB_openssl)->Name("SM3_16KiB/openssl");
BENCHMARK(SM4_ECB_16KiB_orvane)->Name("SM4_ECB_16KiB/orvane");
BENCHMARK(SM4_ECB_16KiB_openssl)->Name("SM4_ECB_16KiB/openssl");
BENCHMARK(SM4_CBC_Encrypt_16KiB_orvane)->Name("SM4_CBC_Encrypt_16KiB/orvane");
BENCHMARK(SM4_CBC_Encrypt_16KiB_openssl)->Name("SM4_CBC_Encrypt_16KiB/openssl");
BENCHMARK(SM4_CBC_Decrypt_16KiB_orvane)->Name("SM4_CBC_Decrypt_16KiB/orvane");
BENCHMARK(SM4_CBC_Decrypt_16KiB_openssl)->Name("SM4_CBC_Decrypt_16KiB/openssl");

}  // namespace orvane
