// File encryption and decryption: the input is read in chunks, run through
// the cipher and written to a new file beside the target, which replaces
// the target only when everything succeeded.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <utility>

#include <openssl/rand.h>

#include "core/providers/symmetric.h"
#include "core/providers/symmetric_cipher.h"
#include "core/util/secret.h"

namespace orvane {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

std::string NativePath(const char* path) {
  std::string p(path);
  std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) close(fd_);
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes now and reports whether the close succeeded.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

// A new file beside the target that takes the target's place on Commit and
// is removed otherwise.
class PendingFile {
 public:
  // The target's own name when it is a symbolic link to an existing file,
  // so that the link keeps pointing where it did.
  explicit PendingFile(const std::string& target) : target_(target) {
    if (char* real = realpath(target.c_str(), nullptr)) {
      target_ = real;
      std::free(real);
    }
    struct stat st{};
    const bool exists = stat(target_.c_str(), &st) == 0;
    for (int attempt = 0; attempt < 16 && !fd_.ok(); ++attempt) {
      uint8_t r[6];
      if (RAND_bytes(r, sizeof r) != 1) return;
      std::string name = target_ + ".tmp-";
      for (uint8_t b : r) {
        name += "0123456789abcdef"[b >> 4];
        name += "0123456789abcdef"[b & 15];
      }
      // Mode 0666 less the umask, as for any newly created file.
      Fd fd(open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
      if (!fd.ok()) {
        if (errno == EEXIST) continue;
        return;
      }
      temp_ = std::move(name);
      fd_ = std::move(fd);
    }
    if (fd_.ok() && exists) fchmod(fd_.get(), st.st_mode & 07777);
  }

  ~PendingFile() {
    if (!temp_.empty()) unlink(temp_.c_str());
  }

  bool ok() const { return fd_.ok(); }

  bool Write(const uint8_t* bytes, std::size_t len) {
    while (len > 0) {
      const ssize_t n = write(fd_.get(), bytes, std::min<std::size_t>(len, SSIZE_MAX));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes += n;
      len -= static_cast<std::size_t>(n);
    }
    return true;
  }

  bool Commit() {
    if (fsync(fd_.get()) != 0 || !fd_.Close()) return false;
    if (rename(temp_.c_str(), target_.c_str()) != 0) return false;
    temp_.clear();
    return true;
  }

 private:
  std::string target_;
  std::string temp_;
  Fd fd_;
};

// Fills `buf` as far as the input allows; *got < buf.size() only at the end.
bool ReadChunk(int fd, SecretBytes& buf, std::size_t* got) {
  *got = 0;
  while (*got < buf.size()) {
    const ssize_t n = read(fd, buf.data() + *got, buf.size() - *got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    *got += static_cast<std::size_t>(n);
  }
  return true;
}

Status CryptFile(bool encrypt, int32_t alg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen,
                 const char* inPath, const char* outPath) {
  if (key == nullptr || keyLen == 0 || inPath == nullptr || outPath == nullptr) return err::kParam;
  const Fd in(open(NativePath(inPath).c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.ok()) return err::kReadFile;
  struct stat st{};
  if (fstat(in.get(), &st) != 0 || S_ISDIR(st.st_mode)) return err::kReadFile;
  PendingFile out(NativePath(outPath));
  if (!out.ok()) return err::kWriteFile;
  auto cipher = NewSymmCipher(alg, encrypt, {key, keyLen}, iv);
  if (!cipher.ok()) return cipher.status();

  const Status cryptFailure = encrypt ? err::kSymmEncrypt : err::kSymmDecrypt;
  // Plaintext passes through one buffer or the other; both wipe themselves.
  SecretBytes chunk(kChunk);
  SecretBytes produced(kChunk + 64);
  for (;;) {
    std::size_t got = 0, made = 0;
    if (!ReadChunk(in.get(), chunk, &got)) return err::kReadFile;
    if (got == 0) break;
    if (!(*cipher)->Update({chunk.data(), got}, produced.data(), &made)) return cryptFailure;
    if (!out.Write(produced.data(), made)) return err::kWriteFile;
    if (got < chunk.size()) break;
  }
  std::size_t made = 0;
  if (!(*cipher)->Final(produced.data(), &made)) return cryptFailure;
  if (!out.Write(produced.data(), made) || !out.Commit()) return err::kWriteFile;
  return err::kOk;
}

}  // namespace

Status SymmEncryptFileData(int32_t alg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen, const char* inPath,
                           const char* outPath) {
  return CryptFile(true, alg, iv, key, keyLen, inPath, outPath);
}

Status SymmDecryptFileData(int32_t alg, const uint8_t* iv, const uint8_t* key, uint32_t keyLen, const char* inPath,
                           const char* outPath) {
  return CryptFile(false, alg, iv, key, keyLen, inPath, outPath);
}

}  // namespace orvane
