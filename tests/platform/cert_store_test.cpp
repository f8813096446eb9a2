#include "core/platform/cert_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace orvane::platform {
namespace {

namespace fs = std::filesystem;
using orvane::testing::ScopedEnv;
using orvane::testing::TempDir;

// ---------------------------------------------------------------------------
// Commands: openssl makes the certificates, NSS's own certutil and pk12util
// read the database back.

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (const char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

struct Output {
  int status = -1;
  std::string text;  // standard output and error
};

Output Shell(const std::string& command) {
  Output out;
  FILE* pipe = popen(("(" + command + ") 2>&1 </dev/null").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.text.append(buffer, n);
  const int raw = pclose(pipe);
  out.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

std::vector<uint8_t> ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::string Db(const fs::path& dir) { return "-d " + Quote("sql:" + dir.string()); }

// Nickname -> trust flags, as `certutil -L` lists them.
std::map<std::string, std::string> ListCertificates(const fs::path& dir) {
  std::map<std::string, std::string> certs;
  std::istringstream lines(Shell("certutil -L " + Db(dir)).text);
  for (std::string line; std::getline(lines, line);) {
    const auto end = line.find_last_not_of(' ');
    const auto gap = end == std::string::npos ? std::string::npos : line.rfind(' ', end);
    if (gap == std::string::npos) continue;
    const auto nameEnd = line.find_last_not_of(' ', gap);
    if (nameEnd == std::string::npos || line.starts_with("Certificate Nickname")) continue;
    certs[line.substr(0, nameEnd + 1)] = line.substr(gap + 1, end - gap);
  }
  return certs;
}

// The trust flags of every listed certificate whose nickname contains `name`.
std::vector<std::string> TrustOf(const fs::path& dir, const std::string& name) {
  std::vector<std::string> found;
  for (const auto& [nickname, trust] : ListCertificates(dir)) {
    if (nickname.find(name) != std::string::npos) found.push_back(trust);
  }
  return found;
}

std::string NicknameOf(const fs::path& dir, const std::string& name) {
  for (const auto& [nickname, trust] : ListCertificates(dir)) {
    if (nickname.find(name) != std::string::npos) return nickname;
  }
  return {};
}

// The key lines of `certutil -K` ("< 0> rsa <id> <nickname>"). certutil runs
// without a terminal, so a database with a password would fail here.
std::vector<std::string> ListKeys(const fs::path& dir) {
  std::vector<std::string> keys;
  std::istringstream lines(Shell("certutil -K " + Db(dir)).text);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("<")) keys.push_back(line);
  }
  return keys;
}

std::string PublicKeyOf(const std::string& pemCommand) {
  return Shell(pemCommand + " 2>/dev/null | openssl pkey -pubout").text;
}

// ---------------------------------------------------------------------------
// A small PKI, made once per process: a root and an intermediate under it
// (EC P-256), a user's RSA-2048 key and certificate under the intermediate, a
// self-signed SM2 user, and PKCS#12 files of the users in the forms OpenSSL 3
// writes.

class Pki {
 public:
  static const Pki& Get() {
    static const Pki pki;
    return pki;
  }

  bool ok() const { return ok_; }
  const std::string& log() const { return log_; }
  fs::path File(const std::string& name) const { return dir_.path() / name; }
  std::vector<uint8_t> Bytes(const std::string& name) const { return ReadBytes(File(name)); }

 private:
  Pki() {
    const std::string cd = "cd " + Quote(dir_.str()) + " && ";
    const std::string subject = " -days 30 -subj '/C=CN/O=Orvane Test/CN=";
    const std::string ca = " -addext basicConstraints=critical,CA:true";
    const char* export12 = "openssl pkcs12 -export -inkey user.key -in user.pem -certfile ca.pem";
    const std::string steps[] = {
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout root.key -out root.pem" + subject +
            "Orvane Test Root'" + ca,
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout ca.key -out ca.pem" + subject +
            "Orvane Test Issuing CA' -CA root.pem -CAkey root.key" + ca,
        "openssl req -x509 -newkey rsa:2048 -nodes -keyout user.key -out user.pem" + subject +
            "Orvane Test User' -CA ca.pem -CAkey ca.key",
        "openssl req -x509 -newkey sm2 -nodes -keyout sm2.key -out sm2.pem -sm3" + subject +
            "Orvane Test SM2'",
        "openssl x509 -in root.pem -outform DER -out root.der",
        "openssl x509 -in ca.pem -outform DER -out ca.der",
        "openssl x509 -in user.pem -outform DER -out user.der",
        "openssl x509 -in sm2.pem -outform DER -out sm2.der",
        // The intermediate first: the certificate an import takes.
        "openssl crl2pkcs7 -nocrl -certfile ca.pem -certfile root.pem -outform DER -out chain.p7b",
        // OpenSSL 3's default: AES-256-CBC, PBKDF2, SHA-256 MAC.
        std::string(export12) + " -passout pass:secret -out user.p12",
        std::string(export12) + " -legacy -passout pass:secret -out user-legacy.p12",
        std::string(export12) + " -name 'Orvane Named Key' -passout pass:secret -out user-named.p12",
        std::string(export12) + " -passout pass:密码 -out user-utf8.p12",
        std::string(export12) + " -passout pass: -out user-empty.p12",
        "openssl pkcs12 -export -inkey sm2.key -in sm2.pem -passout pass:secret -out sm2.p12",
    };
    for (const auto& step : steps) {
      const Output out = Shell(cd + step);
      if (out.status != 0) {
        log_ += step + ":\n" + out.text;
        return;
      }
    }
    ok_ = true;
  }

  TempDir dir_;
  bool ok_ = false;
  std::string log_;
};

class CertStore : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pki_.ok()) << pki_.log(); }

  TempDir home_;
  const fs::path db_ = home_.path() / "nssdb";
  ScopedEnv env_{"ORVANE_NSSDB", db_.string()};
  const Pki& pki_ = Pki::Get();
};

mode_t ModeOf(const fs::path& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// ---------------------------------------------------------------------------
// Single certificates

TEST_F(CertStore, EachKindGetsItsTrust) {
  const struct {
    const char* file;
    int kind;
    const char* name;
    const char* trust;
  } cases[] = {
      {"root.der", kStoreRoot, "Orvane Test Root", "C,C,C"},
      {"ca.der", kStoreCa, "Orvane Test Issuing CA", ",,"},
      {"user.der", kStoreMy, "Orvane Test User", ",,"},
      {"sm2.der", kStoreRoot, "Orvane Test SM2", "C,C,C"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_TRUE(ImportToSystemStore(pki_.Bytes(c.file), c.kind));
  }
  for (const auto& c : cases) {
    EXPECT_EQ(TrustOf(db_, c.name), std::vector<std::string>{c.trust}) << c.name;
  }
  // Nothing else arrived: no key, no other certificate.
  EXPECT_EQ(ListCertificates(db_).size(), std::size(cases));
  EXPECT_TRUE(ListKeys(db_).empty());
}

TEST_F(CertStore, Pkcs7GivesItsFirstCertificate) {
  EXPECT_TRUE(ImportToSystemStore(pki_.Bytes("chain.p7b"), kStoreRoot));
  EXPECT_EQ(TrustOf(db_, "Orvane Test Issuing CA"), std::vector<std::string>{"C,C,C"});
  EXPECT_TRUE(TrustOf(db_, "Orvane Test Root").empty());
}

TEST_F(CertStore, PresentCertificateCountsAsAddedAndTrustIsNeverLowered) {
  const auto der = pki_.Bytes("root.der");
  const struct {
    int kind;
    const char* trustAfter;
  } steps[] = {
      {kStoreCa, ",,"},
      {kStoreCa, ",,"},
      {kStoreRoot, "C,C,C"},  // a root's trust added to the present certificate
      {kStoreRoot, "C,C,C"},
      {kStoreCa, "C,C,C"},    // not taken away again
      {kStoreMy, "C,C,C"},
  };
  for (const auto& step : steps) {
    EXPECT_TRUE(ImportToSystemStore(der, step.kind));
    EXPECT_EQ(TrustOf(db_, "Orvane Test Root"), std::vector<std::string>{step.trustAfter})
        << "after kind " << step.kind;
  }
}

TEST_F(CertStore, TrustTheUserWithdrewStaysWithdrawn) {
  ASSERT_TRUE(ImportToSystemStore(pki_.Bytes("root.der"), kStoreCa));
  const std::string nickname = NicknameOf(db_, "Orvane Test Root");
  ASSERT_EQ(Shell("certutil -M " + Db(db_) + " -n " + Quote(nickname) + " -t p,p,p").status, 0);

  EXPECT_TRUE(ImportToSystemStore(pki_.Bytes("root.der"), kStoreRoot));
  EXPECT_EQ(TrustOf(db_, "Orvane Test Root"), std::vector<std::string>{"p,p,p"});
}

TEST_F(CertStore, RejectedInputsLeaveNoDatabaseBehind) {
  const auto root = pki_.Bytes("root.der");
  const std::vector<uint8_t> half(root.begin(), root.begin() + static_cast<long>(root.size() / 2));
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    int kind;
  } cases[] = {
      {"kind 0", root, 0},
      {"kind 4", root, 4},
      {"kind -1", root, -1},
      {"garbage", Bytes("this is not a certificate"), kStoreRoot},
      {"empty", {}, kStoreCa},
      {"truncated DER", half, kStoreRoot},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(ImportToSystemStore(c.bytes, c.kind)) << c.what;
  }
  EXPECT_FALSE(fs::exists(db_));
}

// ---------------------------------------------------------------------------
// The database itself

TEST_F(CertStore, MissingDatabaseIsCreatedPrivate) {
  const fs::path nested = home_.path() / "a" / "b" / "nssdb";
  ScopedEnv env("ORVANE_NSSDB", nested.string());

  ASSERT_TRUE(ImportToSystemStore(pki_.Bytes("root.der"), kStoreRoot));
  for (const auto& dir : {home_.path() / "a", home_.path() / "a" / "b", nested}) {
    EXPECT_EQ(ModeOf(dir), 0700u) << dir;
  }
  EXPECT_TRUE(fs::exists(nested / "cert9.db"));
  EXPECT_TRUE(fs::exists(nested / "key4.db"));
  EXPECT_EQ(TrustOf(nested, "Orvane Test Root"), std::vector<std::string>{"C,C,C"});
}

TEST_F(CertStore, DefaultsToTheBrowsersDatabaseInHome) {
  const fs::path home = home_.path() / "user";
  ScopedEnv noOverride("ORVANE_NSSDB", "");
  ScopedEnv homeEnv("HOME", home.string());
  EXPECT_EQ(UserStoreDirectory(), (home / ".pki" / "nssdb").string());

  ASSERT_TRUE(ImportToSystemStore(pki_.Bytes("ca.der"), kStoreCa));
  EXPECT_EQ(TrustOf(home / ".pki" / "nssdb", "Orvane Test Issuing CA"), std::vector<std::string>{",,"});
  EXPECT_EQ(ModeOf(home / ".pki" / "nssdb"), 0700u);
}

TEST_F(CertStore, DirectoryNamesNeedNoEscapingByTheCaller) {
  const fs::path odd = home_.path() / "it's a \"db\" \\ [x]>";
  ScopedEnv env("ORVANE_NSSDB", odd.string());

  ASSERT_TRUE(ImportToSystemStore(pki_.Bytes("root.der"), kStoreRoot));
  EXPECT_TRUE(fs::exists(odd / "cert9.db"));
  EXPECT_EQ(TrustOf(odd, "Orvane Test Root"), std::vector<std::string>{"C,C,C"});
}

TEST_F(CertStore, DatabaseWithAPasswordOfItsOwnTakesNoKeysAndNoTrust) {
  const fs::path pwfile = home_.path() / "pw";
  std::ofstream(pwfile) << "primary password\n";
  fs::create_directory(db_);
  const std::string withPassword = Db(db_) + " -f " + Quote(pwfile.string());
  ASSERT_EQ(Shell("certutil -N " + withPassword).status, 0);

  EXPECT_EQ(ImportPkcs12ToUserStore(pki_.Bytes("user.p12"), "secret"), err::kImportKeyPair);
  EXPECT_FALSE(ImportToSystemStore(pki_.Bytes("root.der"), kStoreRoot));
  // Certificates without trust are public objects and need no login.
  EXPECT_TRUE(ImportToSystemStore(pki_.Bytes("ca.der"), kStoreCa));

  EXPECT_EQ(Shell("certutil -K " + withPassword).text.find("rsa"), std::string::npos);
  EXPECT_TRUE(TrustOf(db_, "Orvane Test Root").empty());
  EXPECT_EQ(TrustOf(db_, "Orvane Test Issuing CA"), std::vector<std::string>{",,"});
}

TEST_F(CertStore, CallersOnSeveralThreadsRunOneAfterAnother) {
  const std::vector<uint8_t> ders[] = {pki_.Bytes("root.der"), pki_.Bytes("ca.der"),
                                       pki_.Bytes("user.der"), pki_.Bytes("sm2.der")};
  bool results[std::size(ders)][3] = {};
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < std::size(ders); ++i) {
    threads.emplace_back([&, i] {
      for (auto& result : results[i]) result = ImportToSystemStore(ders[i], kStoreCa);
    });
  }
  for (auto& t : threads) t.join();

  for (const auto& perThread : results) {
    for (const bool result : perThread) EXPECT_TRUE(result);
  }
  EXPECT_EQ(ListCertificates(db_).size(), std::size(ders));
}

// NSS as another part of the process might use it; declared here so that the
// test needs no NSS headers (SECStatus: 0 success; PRBool: 0 false).
extern "C" {
int NSS_NoDB_Init(const char* configdir);
int NSS_IsInitialized(void);
int NSS_Shutdown(void);
}

TEST_F(CertStore, OtherNssUsersOfTheProcessKeepTheirs) {
  ASSERT_EQ(NSS_NoDB_Init(nullptr), 0);

  EXPECT_TRUE(ImportToSystemStore(pki_.Bytes("root.der"), kStoreRoot));
  EXPECT_EQ(ImportPkcs12ToUserStore(pki_.Bytes("user.p12"), "secret"), err::kOk);

  EXPECT_NE(NSS_IsInitialized(), 0);
  // Shutting down fails while anything still holds an NSS object.
  EXPECT_EQ(NSS_Shutdown(), 0);
  EXPECT_EQ(TrustOf(db_, "Orvane Test Root"), std::vector<std::string>{"C,C,C"});
  EXPECT_EQ(ListKeys(db_).size(), 1u);
}

// ---------------------------------------------------------------------------
// PKCS#12

TEST_F(CertStore, Pkcs12BringsKeyAndCertificates) {
  const struct {
    const char* file;
    const char* password;
    const char* keyType;
    const char* name;  // part of the nickname of the key and its certificate
    bool hasChain;
  } cases[] = {
      {"user.p12", "secret", "rsa", "Orvane Test User", true},
      {"user-legacy.p12", "secret", "rsa", "Orvane Test User", true},
      {"user-named.p12", "secret", "rsa", "Orvane Named Key", true},
      {"user-utf8.p12", "密码", "rsa", "Orvane Test User", true},
      {"user-empty.p12", nullptr, "rsa", "Orvane Test User", true},
      // NSS keeps an SM2 key (as an EC key of an unknown curve), though it
      // cannot compute with it.
      {"sm2.p12", "secret", "ec", "Orvane Test SM2", false},
  };
  ScopedEnv utf8("LC_ALL", "C.UTF-8");  // the password above is UTF-8 text
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path dir = home_.path() / c.file;
    ScopedEnv env("ORVANE_NSSDB", dir.string());

    EXPECT_EQ(ImportPkcs12ToUserStore(pki_.Bytes(c.file), c.password), err::kOk);

    const auto keys = ListKeys(dir);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_NE(keys[0].find(std::string("> ") + c.keyType + " "), std::string::npos) << keys[0];
    EXPECT_NE(keys[0].find(c.name), std::string::npos) << keys[0];
    EXPECT_EQ(TrustOf(dir, c.name), std::vector<std::string>{"u,u,u"});
    EXPECT_EQ(TrustOf(dir, "Orvane Test Issuing CA").size(), c.hasChain ? 1u : 0u);
  }
}

TEST_F(CertStore, Pkcs12KeyComesBackUnchanged) {
  ASSERT_EQ(ImportPkcs12ToUserStore(pki_.Bytes("user.p12"), "secret"), err::kOk);
  const fs::path out = home_.path() / "back.p12";
  const std::string nickname = NicknameOf(db_, "Orvane Test User");
  ASSERT_EQ(Shell("pk12util -o " + Quote(out.string()) + " -n " + Quote(nickname) + " " + Db(db_) +
                " -W back -K ''")
                .status,
            0);

  const std::string exported =
      PublicKeyOf("openssl pkcs12 -in " + Quote(out.string()) + " -passin pass:back -nodes -nocerts");
  EXPECT_NE(exported.find("BEGIN PUBLIC KEY"), std::string::npos) << exported;
  EXPECT_EQ(exported, PublicKeyOf("cat " + Quote(pki_.File("user.key").string())));
}

TEST_F(CertStore, Pkcs12ImportedTwiceIsStillOneKey) {
  EXPECT_EQ(ImportPkcs12ToUserStore(pki_.Bytes("user.p12"), "secret"), err::kOk);
  EXPECT_EQ(ImportPkcs12ToUserStore(pki_.Bytes("user-legacy.p12"), "secret"), err::kOk);
  EXPECT_EQ(ListKeys(db_).size(), 1u);
  EXPECT_EQ(TrustOf(db_, "Orvane Test User"), std::vector<std::string>{"u,u,u"});
  EXPECT_EQ(TrustOf(db_, "Orvane Test Issuing CA").size(), 1u);
}

TEST_F(CertStore, Pkcs12WithWrongPasswordChangesNothing) {
  for (const char* file : {"user.p12", "user-legacy.p12", "user-utf8.p12"}) {
    EXPECT_EQ(ImportPkcs12ToUserStore(pki_.Bytes(file), "wrong"), err::kP12Pin) << file;
  }
  EXPECT_FALSE(fs::exists(db_));  // refused before the database is opened

  EXPECT_EQ(ImportPkcs12ToUserStore(pki_.Bytes("user.p12"), nullptr), err::kP12Pin);
  EXPECT_EQ(ImportPkcs12ToUserStore(pki_.Bytes("user-empty.p12"), "secret"), err::kP12Pin);
  EXPECT_TRUE(ListKeys(db_).empty());
  EXPECT_TRUE(ListCertificates(db_).empty());

  // The database is as usable as before.
  EXPECT_EQ(ImportPkcs12ToUserStore(pki_.Bytes("user.p12"), "secret"), err::kOk);
  EXPECT_EQ(ListKeys(db_).size(), 1u);
}

TEST_F(CertStore, BytesThatAreNoPkcs12AreIgnored) {
  const auto p12 = pki_.Bytes("user.p12");
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"garbage", Bytes("not a PKCS#12 at all")},
      {"empty", {}},
      {"a certificate", pki_.Bytes("root.der")},
      {"truncated", std::vector<uint8_t>(p12.begin(), p12.begin() + static_cast<long>(p12.size() / 2))},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ImportPkcs12ToUserStore(c.bytes, "secret"), err::kOk) << c.what;
  }
  EXPECT_FALSE(fs::exists(db_));
}

}  // namespace
}  // namespace orvane::platform
