// Symmetric encryption through the provider slots, checked against OpenSSL 3
// (EVP in process, `openssl enc` for files).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <openssl/evp.h>
#include <openssl/rand.h>

#include "core/crypto/openssl_init.h"
#include "core/providers/sec_base.h"
#include "core/providers/symmetric_cipher.h"
#include "core/util/ossl_ptr.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// The symmetric slots belong to the base class; this provider adds nothing.
class PlainProvider final : public CSecBase {
 public:
  PlainProvider() : CSecBase(kKeyUnset) {}
  Status GenKeyPair(uint8_t*, uint32_t*) override { return err::kUnsupported; }
  Status SaveSignCert(const uint8_t*, uint32_t) override { return err::kUnsupported; }
  Status SaveSignAndEncCert(const uint8_t*, uint32_t, const uint8_t*, uint32_t, const uint8_t*, uint32_t) override {
    return err::kUnsupported;
  }
  Status SaveEncCert(const uint8_t*, uint32_t, const uint8_t*, uint32_t) override { return err::kUnsupported; }
  Status GetCert(int32_t, uint8_t*, uint32_t*) override { return err::kUnsupported; }
  Status SignData(int32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*) override { return err::kUnsupported; }
  Status AsymmDecrypt(int32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*) override { return err::kUnsupported; }
  Status SignWithNewKey(int32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t*) override { return err::kUnsupported; }
};

struct Alg {
  int32_t number;
  const char* evpName;   // OpenSSL's cipher, the reference
  const char* encFlag;   // the same for `openssl enc`
  std::size_t keyBytes;
  std::size_t ivBytes;
  std::size_t block;
};

constexpr Alg kAlgs[] = {
    {1, "DES-ECB", "-des-ecb", 8, 0, 8},
    {2, "DES-CBC", "-des-cbc", 8, 8, 8},
    {3, "DES-EDE3-ECB", "-des-ede3", 24, 0, 8},
    {4, "DES-EDE3-CBC", "-des-ede3-cbc", 24, 8, 8},
    {5, "AES-128-ECB", "-aes-128-ecb", 16, 0, 16},
    {6, "AES-128-CBC", "-aes-128-cbc", 16, 16, 16},
    {7, "AES-192-ECB", "-aes-192-ecb", 24, 0, 16},
    {8, "AES-192-CBC", "-aes-192-cbc", 24, 16, 16},
    {9, "AES-256-ECB", "-aes-256-ecb", 32, 0, 16},
    {10, "AES-256-CBC", "-aes-256-cbc", 32, 16, 16},
    {11, "SM4-ECB", "-sm4-ecb", 16, 0, 16},
    {12, "SM4-CBC", "-sm4-cbc", 16, 16, 16},
};

Bytes Random(std::size_t n) {
  Bytes b(n);
  if (n > 0) {
    EXPECT_EQ(RAND_bytes(b.data(), int(n)), 1);
  }
  return b;
}

std::string Hex(const uint8_t* p, std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    s += "0123456789abcdef"[p[i] >> 4];
    s += "0123456789abcdef"[p[i] & 15];
  }
  return s;
}

// OpenSSL with PKCS#7 padding.
Bytes Reference(const Alg& alg, bool encrypt, const Bytes& key, const Bytes& iv, const Bytes& in) {
  LoadOpenSslProviders();
  OsslPtr<EVP_CIPHER> cipher(EVP_CIPHER_fetch(nullptr, alg.evpName, nullptr));
  OsslPtr<EVP_CIPHER_CTX> ctx(EVP_CIPHER_CTX_new());
  EXPECT_TRUE(cipher && ctx) << alg.evpName;
  EXPECT_EQ(EVP_CipherInit_ex2(ctx.get(), cipher.get(), key.data(), alg.ivBytes ? iv.data() : nullptr,
                               encrypt ? 1 : 0, nullptr),
            1);
  Bytes out(in.size() + 32);
  int n = 0, m = 0;
  EXPECT_EQ(EVP_CipherUpdate(ctx.get(), out.data(), &n, in.data(), int(in.size())), 1);
  EXPECT_EQ(EVP_CipherFinal_ex(ctx.get(), out.data() + n, &m), 1);
  out.resize(std::size_t(n + m));
  return out;
}

Status Encrypt(const Alg& alg, const Bytes& key, const Bytes& iv, const Bytes& in, Bytes& out) {
  PlainProvider p;
  out.assign(in.size() + 64, 0);
  uint32_t len = uint32_t(out.size());
  const Status rc = p.SymmEncrypt(alg.number, iv.data(), key.data(), uint32_t(key.size()), in.data(),
                                  uint32_t(in.size()), out.data(), &len);
  out.resize(rc == err::kOk ? len : 0);
  return rc;
}

Status Decrypt(const Alg& alg, const Bytes& key, const Bytes& iv, const Bytes& in, Bytes& out) {
  PlainProvider p;
  out.assign(in.size() + 64, 0);
  uint32_t len = uint32_t(out.size());
  const Status rc = p.SymmDecrypt(alg.number, iv.data(), key.data(), uint32_t(key.size()), in.data(),
                                  uint32_t(in.size()), out.data(), &len);
  out.resize(rc == err::kOk ? len : 0);
  return rc;
}

// --- Data ---------------------------------------------------------------------------

TEST(SymmetricData, EveryAlgorithmMatchesOpenSsl) {
  for (const Alg& alg : kAlgs) {
    for (std::size_t n : {1u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 32u, 33u, 1000u, 4096u, 12288u}) {
      SCOPED_TRACE(std::string(alg.evpName) + " " + std::to_string(n));
      // A longer key than needed: only the algorithm's bytes count.
      const Bytes key = Random(alg.keyBytes + 5), iv = Random(16), plain = Random(n);
      Bytes cipher, back;
      ASSERT_EQ(Encrypt(alg, key, iv, plain, cipher), err::kOk);
      EXPECT_EQ(cipher.size(), (n / alg.block + 1) * alg.block);
      EXPECT_EQ(cipher, Reference(alg, true, key, iv, plain));
      ASSERT_EQ(Decrypt(alg, key, iv, cipher, back), err::kOk);
      EXPECT_EQ(back, plain);
    }
  }
}

TEST(SymmetricData, Sm4WholeBlockGetsAFullPaddingBlock) {
  const Bytes key = Random(16), plain = Random(16);
  Bytes cipher;
  ASSERT_EQ(Encrypt(kAlgs[10], key, {}, plain, cipher), err::kOk);
  ASSERT_EQ(cipher.size(), 32u);
  // The second block alone decrypts to sixteen 0x10 bytes.
  EXPECT_EQ(Reference({11, "SM4-ECB", "", 16, 0, 16}, true, key, {}, plain), cipher);
}

// The exported functions pass the key text as key and IV.
TEST(SymmetricData, Sm4CbcWithTheKeyAsIvLeavesTheKeyAlone) {
  const Alg& sm4cbc = kAlgs[11];
  const Bytes key = Random(16), keyCopy = key, plain = Random(100);
  PlainProvider p;
  Bytes out(128);
  uint32_t len = uint32_t(out.size());
  ASSERT_EQ(p.SymmEncrypt(12, key.data(), key.data(), 16, plain.data(), uint32_t(plain.size()), out.data(), &len),
            err::kOk);
  out.resize(len);
  EXPECT_EQ(out, Reference(sm4cbc, true, key, key, plain));
  EXPECT_EQ(key, keyCopy);
}

TEST(SymmetricData, MissingArgumentsAndUnknownAlgorithms) {
  PlainProvider p;
  const Bytes key = Random(32), iv = Random(16), in = Random(20);
  Bytes out(64);
  struct Case {
    const char* what;
    int32_t alg;
    const uint8_t* key;
    uint32_t keyLen;
    const uint8_t* in;
    uint32_t inLen;
    uint8_t* out;
    uint32_t cap;
    bool nullLen;
    Status expected;
  } cases[] = {
      {"no key", 5, nullptr, 16, in.data(), 20, out.data(), 64, false, err::kParam},
      {"key length 0", 5, key.data(), 0, in.data(), 20, out.data(), 64, false, err::kParam},
      {"no input", 5, key.data(), 16, nullptr, 20, out.data(), 64, false, err::kParam},
      {"input length 0", 5, key.data(), 16, in.data(), 0, out.data(), 64, false, err::kParam},
      {"no output", 5, key.data(), 16, in.data(), 20, nullptr, 64, false, err::kParam},
      {"output capacity 0", 5, key.data(), 16, in.data(), 20, out.data(), 0, false, err::kParam},
      {"no output length", 5, key.data(), 16, in.data(), 20, out.data(), 64, true, err::kParam},
      {"algorithm 0", 0, key.data(), 16, in.data(), 20, out.data(), 64, false, err::kUnsupportedAlg},
      {"algorithm 13", 13, key.data(), 16, in.data(), 20, out.data(), 64, false, err::kUnsupportedAlg},
      {"algorithm -1", -1, key.data(), 16, in.data(), 20, out.data(), 64, false, err::kUnsupportedAlg},
      {"AES-256 with 16 key bytes", 10, key.data(), 16, in.data(), 20, out.data(), 64, false, err::kParam},
      {"3DES with 8 key bytes", 3, key.data(), 8, in.data(), 20, out.data(), 64, false, err::kParam},
      {"SM4 with 15 key bytes", 11, key.data(), 15, in.data(), 20, out.data(), 64, false, err::kParam},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    uint32_t len = c.cap;
    EXPECT_EQ(p.SymmEncrypt(c.alg, iv.data(), c.key, c.keyLen, c.in, c.inLen, c.out, c.nullLen ? nullptr : &len),
              c.expected);
    len = c.cap;
    EXPECT_EQ(p.SymmDecrypt(c.alg, iv.data(), c.key, c.keyLen, c.in, c.inLen, c.out, c.nullLen ? nullptr : &len),
              c.expected);
  }
  uint32_t len = 64;
  EXPECT_EQ(p.SymmEncrypt(6, nullptr, key.data(), 16, in.data(), 20, out.data(), &len), err::kParam) << "CBC, no IV";
  len = 64;
  EXPECT_EQ(p.SymmEncrypt(5, nullptr, key.data(), 16, in.data(), 20, out.data(), &len), err::kOk) << "ECB, no IV";
}

TEST(SymmetricData, TooSmallOutputIsRefusedAndLeftUntouched) {
  PlainProvider p;
  const Bytes key = Random(16), plain = Random(32);
  for (int32_t alg : {5, 11}) {
    SCOPED_TRACE(alg);
    Bytes out(47, 0xab);
    uint32_t len = 47;  // 48 needed
    EXPECT_EQ(p.SymmEncrypt(alg, key.data(), key.data(), 16, plain.data(), 32, out.data(), &len),
              err::kBufferTooSmall);
    EXPECT_EQ(out, Bytes(47, 0xab));
    out.assign(48, 0);
    len = 48;
    ASSERT_EQ(p.SymmEncrypt(alg, key.data(), key.data(), 16, plain.data(), 32, out.data(), &len), err::kOk);
    const Bytes cipher = out;
    Bytes back(31, 0xab);
    len = 31;  // 32 needed
    EXPECT_EQ(p.SymmDecrypt(alg, key.data(), key.data(), 16, cipher.data(), 48, back.data(), &len),
              err::kBufferTooSmall);
    EXPECT_EQ(back, Bytes(31, 0xab));
  }
}

// Ciphertexts built with OpenSSL without padding, so that their last
// decrypted block is chosen by the test.
Bytes RawEncrypt(const char* name, const Bytes& key, Bytes plain) {
  OsslPtr<EVP_CIPHER> cipher(EVP_CIPHER_fetch(nullptr, name, nullptr));
  OsslPtr<EVP_CIPHER_CTX> ctx(EVP_CIPHER_CTX_new());
  EVP_CipherInit_ex2(ctx.get(), cipher.get(), key.data(), nullptr, 1, nullptr);
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  Bytes out(plain.size() + 16);
  int n = 0, m = 0;
  EXPECT_EQ(EVP_CipherUpdate(ctx.get(), out.data(), &n, plain.data(), int(plain.size())), 1);
  EXPECT_EQ(EVP_CipherFinal_ex(ctx.get(), out.data() + n, &m), 1);
  out.resize(std::size_t(n + m));
  return out;
}

Bytes BlockEndingWith(std::initializer_list<uint8_t> tail) {
  Bytes b(32, 0x41);
  std::copy(tail.begin(), tail.end(), b.end() - long(tail.size()));
  return b;
}

TEST(SymmetricData, BadPaddingAndLengthsFailDecryption) {
  const Bytes key = Random(16);
  struct Case {
    const char* what;
    int32_t alg;
    Bytes cipher;
  } cases[] = {
      {"AES, last byte 0", 5, RawEncrypt("AES-128-ECB", key, BlockEndingWith({0}))},
      {"AES, pad bytes disagree", 5, RawEncrypt("AES-128-ECB", key, BlockEndingWith({1, 2}))},
      {"AES, 17 bytes", 5, Bytes(17, 1)},
      {"SM4, last byte 0", 11, RawEncrypt("SM4-ECB", key, BlockEndingWith({0}))},
      {"SM4, last byte 17", 11, RawEncrypt("SM4-ECB", key, BlockEndingWith({17}))},
      {"SM4, last byte 0xff", 11, RawEncrypt("SM4-ECB", key, BlockEndingWith({0xff}))},
      {"SM4, 17 bytes", 11, Bytes(17, 1)},
      {"SM4, 15 bytes", 11, Bytes(15, 1)},
      {"SM4-CBC, 20 bytes", 12, Bytes(20, 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes out;
    EXPECT_EQ(Decrypt(kAlgs[c.alg - 1], key, key, c.cipher, out), err::kSymmDecrypt);
  }
}

// SM4 takes the pad length from the last byte and does not compare the
// other pad bytes with it.
TEST(SymmetricData, Sm4StripsAsManyBytesAsTheLastByteSays) {
  const Bytes key = Random(16);
  const Bytes plain = BlockEndingWith({9, 9, 5});
  Bytes out;
  ASSERT_EQ(Decrypt(kAlgs[10], key, {}, RawEncrypt("SM4-ECB", key, plain), out), err::kOk);
  EXPECT_EQ(out, Bytes(plain.begin(), plain.end() - 5));
  ASSERT_EQ(Decrypt(kAlgs[10], key, {}, RawEncrypt("SM4-ECB", key, BlockEndingWith({16})), out), err::kOk);
  EXPECT_EQ(out, Bytes(16, 0x41));
}

// Files arrive in chunks; pieces of every size must give the output of one
// call, whatever part of a block is left waiting between them.
TEST(SymmetricCipher, IrregularPiecesMatchOpenSsl) {
  const std::size_t pieces[] = {1, 15, 16, 17, 0, 33, 5, 64, 2, 100};
  for (const Alg& alg : {kAlgs[3], kAlgs[5], kAlgs[10], kAlgs[11]}) {
    for (bool encrypt : {true, false}) {
      SCOPED_TRACE(std::string(alg.evpName) + (encrypt ? " encrypt" : " decrypt"));
      const Bytes key = Random(alg.keyBytes), iv = Random(16), plain = Random(1000);
      const Bytes input = encrypt ? plain : Reference(alg, true, key, iv, plain);
      const Bytes expected = encrypt ? Reference(alg, true, key, iv, plain) : plain;
      auto cipher = NewSymmCipher(alg.number, encrypt, key, iv.data());
      ASSERT_TRUE(cipher.ok());
      Bytes out(input.size() + 64);
      std::size_t total = 0, made = 0, off = 0;
      for (int i = 0; off < input.size(); ++i) {
        const std::size_t n = std::min(pieces[i % 10], input.size() - off);
        ASSERT_TRUE((*cipher)->Update({input.data() + off, n}, out.data() + total, &made));
        EXPECT_LE(made, n + alg.block);
        off += n;
        total += made;
      }
      ASSERT_TRUE((*cipher)->Final(out.data() + total, &made));
      out.resize(total + made);
      EXPECT_EQ(out, expected);
    }
  }
}

// --- Files --------------------------------------------------------------------------

class SymmetricFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "orvane-symm-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  static void Write(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
  }
  static Bytes Read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  // Only the named files: no temporary file left behind.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  Status EncryptFile(int32_t alg, const Bytes& key, const Bytes& iv, const std::string& in, const std::string& out) {
    return provider_.SymmEncryptFile(alg, iv.data(), key.data(), uint32_t(key.size()), in.c_str(), out.c_str());
  }
  Status DecryptFile(int32_t alg, const Bytes& key, const Bytes& iv, const std::string& in, const std::string& out) {
    return provider_.SymmDecryptFile(alg, iv.data(), key.data(), uint32_t(key.size()), in.c_str(), out.c_str());
  }

  // Runs `openssl enc` and returns its exit status.
  int OpenSslEnc(const Alg& alg, bool encrypt, const Bytes& key, const Bytes& iv, const std::string& in,
                 const std::string& out) {
    std::string cmd = std::string("openssl enc -provider legacy -provider default ") + alg.encFlag +
                      (encrypt ? " -e" : " -d") + " -K " + Hex(key.data(), alg.keyBytes);
    if (alg.ivBytes > 0) cmd += " -iv " + Hex(iv.data(), alg.ivBytes);
    cmd += " -in '" + in + "' -out '" + out + "' 2>/dev/null";
    return std::system(cmd.c_str());
  }

  PlainProvider provider_;
  fs::path dir_;
};

// Sizes around the cipher block and the 64 KiB read chunk.
TEST_F(SymmetricFile, EveryAlgorithmMatchesOpenSslEnc) {
  for (const Alg& alg : kAlgs) {
    for (std::size_t n : {0u, 1u, 1024u, 3000u, 65535u, 65536u, 65537u, 150000u}) {
      SCOPED_TRACE(std::string(alg.evpName) + " " + std::to_string(n));
      const Bytes key = Random(alg.keyBytes), iv = Random(16), plain = Random(n);
      Write(Path("plain"), plain);
      ASSERT_EQ(EncryptFile(alg.number, key, iv, Path("plain"), Path("ours")), err::kOk);
      ASSERT_EQ(OpenSslEnc(alg, true, key, iv, Path("plain"), Path("theirs")), 0);
      EXPECT_EQ(Read(Path("ours")), Read(Path("theirs")));
      EXPECT_EQ(Read(Path("ours")).size(), (n / alg.block + 1) * alg.block);
      // Ours decrypts what OpenSSL encrypted, and OpenSSL ours.
      ASSERT_EQ(DecryptFile(alg.number, key, iv, Path("theirs"), Path("back")), err::kOk);
      EXPECT_EQ(Read(Path("back")), plain);
      ASSERT_EQ(OpenSslEnc(alg, false, key, iv, Path("ours"), Path("back2")), 0);
      EXPECT_EQ(Read(Path("back2")), plain);
    }
  }
}

TEST_F(SymmetricFile, EncryptedSizes) {
  const Bytes key = Random(16);
  Write(Path("empty"), {});
  ASSERT_EQ(EncryptFile(11, key, key, Path("empty"), Path("out")), err::kOk);
  EXPECT_EQ(Read(Path("out")).size(), 16u);
  Write(Path("k1"), Random(1024));
  for (int32_t alg : {5, 11}) {
    ASSERT_EQ(EncryptFile(alg, key, key, Path("k1"), Path("out")), err::kOk);
    EXPECT_EQ(Read(Path("out")).size(), 1040u) << alg;
  }
}

TEST_F(SymmetricFile, Sm4CbcRoundTripAndInPlace) {
  const Bytes key = Random(16), plain = Random(3000);
  Write(Path("a"), plain);
  ASSERT_EQ(EncryptFile(12, key, key, Path("a"), Path("b")), err::kOk);
  ASSERT_EQ(DecryptFile(12, key, key, Path("b"), Path("c")), err::kOk);
  EXPECT_EQ(Read(Path("c")), plain);
  // The same file as input and output.
  ASSERT_EQ(EncryptFile(12, key, key, Path("a"), Path("a")), err::kOk);
  EXPECT_EQ(Read(Path("a")), Read(Path("b")));
  ASSERT_EQ(DecryptFile(12, key, key, Path("a"), Path("a")), err::kOk);
  EXPECT_EQ(Read(Path("a")), plain);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(SymmetricFile, BackslashesSeparatePathComponents) {
  const Bytes key = Random(16);
  fs::create_directory(dir_ / "sub");
  Write(Path("sub/in"), Random(100));
  const std::string in = dir_.string() + "\\sub\\in", out = dir_.string() + "\\sub\\out";
  ASSERT_EQ(EncryptFile(5, key, key, in, out), err::kOk);
  EXPECT_EQ(Read(Path("sub/out")).size(), 112u);
}

TEST_F(SymmetricFile, FailuresLeaveTheOutputAsItWas) {
  const Bytes key = Random(16);
  const Bytes previous = {'o', 'l', 'd'};
  Write(Path("in"), Random(100));
  Write(Path("out"), previous);
  Write(Path("garbage"), Random(33));  // no whole number of blocks

  struct Case {
    const char* what;
    bool encrypt;
    int32_t alg;
    std::string in;
    std::string out;
    Status expected;
  } cases[] = {
      {"missing input", true, 11, Path("missing"), Path("out"), err::kReadFile},
      {"input is a directory", true, 11, dir_.string(), Path("out"), err::kReadFile},
      {"output directory missing", true, 11, Path("in"), Path("nodir/out"), err::kWriteFile},
      {"algorithm 13", true, 13, Path("in"), Path("out"), err::kUnsupportedAlg},
      {"algorithm 13, decryption", false, 13, Path("in"), Path("out"), err::kUnsupportedAlg},
      {"SM4 ciphertext of 33 bytes", false, 11, Path("garbage"), Path("out"), err::kSymmDecrypt},
      {"AES ciphertext of 33 bytes", false, 5, Path("garbage"), Path("out"), err::kSymmDecrypt},
      {"SM4 wrong key, bad padding", false, 12, Path("in"), Path("out"), err::kSymmDecrypt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Status rc = c.encrypt ? EncryptFile(c.alg, key, key, c.in, c.out) : DecryptFile(c.alg, key, key, c.in, c.out);
    EXPECT_EQ(rc, c.expected);
    EXPECT_EQ(Read(Path("out")), previous);
    EXPECT_EQ(Names(), (std::vector<std::string>{"garbage", "in", "out"}));
  }
  // Without an existing output, a failure creates none.
  EXPECT_EQ(EncryptFile(13, key, key, Path("in"), Path("new")), err::kUnsupportedAlg);
  EXPECT_FALSE(fs::exists(Path("new")));
  // Absent arguments.
  EXPECT_EQ(provider_.SymmEncryptFile(11, key.data(), nullptr, 16, Path("in").c_str(), Path("out").c_str()),
            err::kParam);
  EXPECT_EQ(provider_.SymmEncryptFile(11, key.data(), key.data(), 0, Path("in").c_str(), Path("out").c_str()),
            err::kParam);
  EXPECT_EQ(provider_.SymmDecryptFile(11, key.data(), key.data(), 16, nullptr, Path("out").c_str()), err::kParam);
  EXPECT_EQ(provider_.SymmDecryptFile(11, key.data(), key.data(), 16, Path("in").c_str(), nullptr), err::kParam);
}

TEST_F(SymmetricFile, ReplacedOutputKeepsItsModeAndLinks) {
  const Bytes key = Random(16);
  Write(Path("in"), Random(50));
  Write(Path("target"), {1, 2, 3});
  ASSERT_EQ(chmod(Path("target").c_str(), 0640), 0);
  fs::create_symlink(Path("target"), Path("link"));
  ASSERT_EQ(EncryptFile(11, key, key, Path("in"), Path("link")), err::kOk);
  EXPECT_TRUE(fs::is_symlink(Path("link")));
  EXPECT_EQ(Read(Path("target")).size(), 64u);
  struct stat st{};
  ASSERT_EQ(stat(Path("target").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
}  // namespace orvane
