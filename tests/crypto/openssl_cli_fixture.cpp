#include "openssl_cli_fixture.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include <openssl/pem.h>
#include <openssl/rand.h>

extern char** environ;

namespace orvane::testing {
namespace {

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

OsslPtr<EVP_PKEY> LoadKey(const std::string& path) {
  OsslPtr<BIO> bio(BIO_new_file(path.c_str(), "r"));
  if (!bio) return nullptr;
  return OsslPtr<EVP_PKEY>(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
}

TestIdentity MakeIdentity(const OpenSslCli& cli, std::string_view name, std::string_view subject,
                          const std::vector<std::string>& keyArgs, const std::vector<std::string>& signArgs) {
  TestIdentity id;
  id.keyPem = std::string(name) + ".key";
  id.certPem = std::string(name) + ".pem";
  std::vector<std::string> genkey = {"genpkey", "-out", id.keyPem};
  genkey.insert(genkey.end(), keyArgs.begin(), keyArgs.end());
  cli.Must(genkey);
  std::vector<std::string> req = {"req", "-x509", "-new", "-key", id.keyPem, "-subj", std::string(subject),
                                  "-days", "30", "-out", id.certPem};
  req.insert(req.end(), signArgs.begin(), signArgs.end());
  cli.Must(req);
  cli.Must({"x509", "-in", id.certPem, "-outform", "DER", "-out", std::string(name) + ".der"});
  id.certDer = cli.Read(std::string(name) + ".der");
  id.key = LoadKey(cli.Path(id.keyPem));
  EXPECT_TRUE(id.key) << "cannot load " << id.keyPem;
  return id;
}

// A digest context for signing or verifying; for an SM2 key its key context
// carries the default identity. The digest context does not own a key
// context given to it, so both are kept here (the digest context freed first).
struct DigestContext {
  explicit DigestContext(EVP_PKEY* key) : mctx(EVP_MD_CTX_new()) {
    if (!EVP_PKEY_is_a(key, "SM2")) return;
    pctx.reset(EVP_PKEY_CTX_new(key, nullptr));
    EVP_PKEY_CTX_set1_id(pctx.get(), kSm2DefaultId.data(), kSm2DefaultId.size());
    EVP_MD_CTX_set_pkey_ctx(mctx.get(), pctx.get());
  }
  OsslPtr<EVP_PKEY_CTX> pctx;
  OsslPtr<EVP_MD_CTX> mctx;
};

}  // namespace

Bytes ToBytes(std::string_view text) { return Bytes(text.begin(), text.end()); }
std::string ToText(std::span<const uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

// --- OpenSslCli ------------------------------------------------------------------

OpenSslCli::OpenSslCli() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orvane-openssl-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
  dir_ = pattern;
}

OpenSslCli::~OpenSslCli() {
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

OpenSslCli::Output OpenSslCli::Run(const std::vector<std::string>& args) const {
  std::vector<std::string> argv = {"openssl"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargv;
  for (auto& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  const std::string outPath = (dir_ / ".stdout").string();
  const std::string errPath = (dir_ / ".stderr").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, dir_.c_str());
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "openssl", &actions, nullptr, cargv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);

  Output output;
  if (rc != 0) return output;
  int wstatus = 0;
  if (waitpid(pid, &wstatus, 0) == pid && WIFEXITED(wstatus)) output.status = WEXITSTATUS(wstatus);
  output.out = ReadWhole(outPath);
  output.err = ReadWhole(errPath);
  return output;
}

std::string OpenSslCli::Must(const std::vector<std::string>& args) const {
  Output output = Run(args);
  if (output.status != 0) {
    std::string command = "openssl";
    for (const auto& a : args) command += " " + a;
    ADD_FAILURE() << command << " failed (" << output.status << "): " << output.err;
  }
  return output.out;
}

std::string OpenSslCli::Path(std::string_view name) const { return (dir_ / name).string(); }

void OpenSslCli::Write(std::string_view name, std::span<const uint8_t> bytes) const {
  std::ofstream out(dir_ / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void OpenSslCli::WriteText(std::string_view name, std::string_view text) const { Write(name, ToBytes(text)); }

Bytes OpenSslCli::Read(std::string_view name) const { return ToBytes(ReadWhole(dir_ / name)); }

std::vector<std::string> OpenSslCli::Asn1Objects(std::string_view derFile) const {
  std::istringstream lines(Must({"asn1parse", "-inform", "DER", "-in", std::string(derFile)}));
  std::vector<std::string> objects;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t at = line.find("prim: OBJECT");
    if (at == std::string::npos) continue;
    const std::size_t colon = line.find(':', at + 5);
    std::string value = colon == std::string::npos ? "" : line.substr(colon + 1);
    while (!value.empty() && value.back() == ' ') value.pop_back();
    objects.push_back(value);
  }
  return objects;
}

// --- Identities ------------------------------------------------------------------

TestIdentity MakeRsaIdentity(const OpenSslCli& cli, std::string_view name, std::string_view subject) {
  return MakeIdentity(cli, name, subject, {"-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048"}, {"-sha256"});
}

TestIdentity MakeSm2Identity(const OpenSslCli& cli, std::string_view name, std::string_view subject) {
  return MakeIdentity(cli, name, subject, {"-algorithm", "SM2"},
                      {"-sm3", "-sigopt", "distid:" + std::string(kSm2DefaultId)});
}

// --- OpenSSL operations ----------------------------------------------------------

Bytes OsslSign(EVP_PKEY* key, const char* md, std::span<const uint8_t> data) {
  DigestContext dc(key);
  EVP_MD_CTX* mctx = dc.mctx.get();
  Bytes sig;
  std::size_t len = 0;
  if (EVP_DigestSignInit_ex(mctx, nullptr, md, nullptr, nullptr, key, nullptr) == 1 &&
      EVP_DigestSign(mctx, nullptr, &len, data.data(), data.size()) == 1) {
    sig.resize(len);
    if (EVP_DigestSign(mctx, sig.data(), &len, data.data(), data.size()) == 1) {
      sig.resize(len);
    } else {
      sig.clear();
    }
  }
  EXPECT_FALSE(sig.empty()) << "OpenSSL could not sign with " << md;
  return sig;
}

bool OsslVerify(EVP_PKEY* key, const char* md, std::span<const uint8_t> data, std::span<const uint8_t> sig) {
  DigestContext dc(key);
  EVP_MD_CTX* mctx = dc.mctx.get();
  return EVP_DigestVerifyInit_ex(mctx, nullptr, md, nullptr, nullptr, key, nullptr) == 1 &&
         EVP_DigestVerify(mctx, sig.data(), sig.size(), data.data(), data.size()) == 1;
}

Bytes OsslEncrypt(EVP_PKEY* key, std::span<const uint8_t> data) {
  OsslPtr<EVP_PKEY_CTX> ctx(EVP_PKEY_CTX_new(key, nullptr));
  std::size_t len = 0;
  Bytes out;
  if (ctx && EVP_PKEY_encrypt_init(ctx.get()) == 1 &&
      EVP_PKEY_encrypt(ctx.get(), nullptr, &len, data.data(), data.size()) == 1) {
    out.resize(len);
    if (EVP_PKEY_encrypt(ctx.get(), out.data(), &len, data.data(), data.size()) == 1) out.resize(len);
    else out.clear();
  }
  EXPECT_FALSE(out.empty()) << "OpenSSL could not encrypt";
  return out;
}

Bytes OsslDecrypt(EVP_PKEY* key, std::span<const uint8_t> data) {
  OsslPtr<EVP_PKEY_CTX> ctx(EVP_PKEY_CTX_new(key, nullptr));
  std::size_t len = 0;
  Bytes out;
  if (ctx && EVP_PKEY_decrypt_init(ctx.get()) == 1 &&
      EVP_PKEY_decrypt(ctx.get(), nullptr, &len, data.data(), data.size()) == 1) {
    out.resize(len);
    if (EVP_PKEY_decrypt(ctx.get(), out.data(), &len, data.data(), data.size()) == 1) out.resize(len);
    else out.clear();
  }
  return out;
}

Bytes OsslCipher(const char* cipher, bool encrypt, std::span<const uint8_t> key, std::span<const uint8_t> iv,
                 std::span<const uint8_t> data) {
  OsslPtr<EVP_CIPHER> c(EVP_CIPHER_fetch(nullptr, cipher, nullptr));
  OsslPtr<EVP_CIPHER_CTX> ctx(EVP_CIPHER_CTX_new());
  Bytes out(data.size() + 32);
  int len = 0;
  int tail = 0;
  if (!c || !ctx ||
      EVP_CipherInit_ex2(ctx.get(), c.get(), key.data(), iv.empty() ? nullptr : iv.data(), encrypt ? 1 : 0,
                         nullptr) != 1 ||
      EVP_CipherUpdate(ctx.get(), out.data(), &len, data.data(), static_cast<int>(data.size())) != 1 ||
      EVP_CipherFinal_ex(ctx.get(), out.data() + len, &tail) != 1) {
    ADD_FAILURE() << "OpenSSL " << cipher << (encrypt ? " encryption" : " decryption") << " failed";
    return {};
  }
  out.resize(static_cast<std::size_t>(len + tail));
  return out;
}

Bytes RandomBytes(std::size_t n) {
  Bytes out(n);
  EXPECT_EQ(RAND_bytes(out.data(), static_cast<int>(n)), 1);
  return out;
}

}  // namespace orvane::testing
