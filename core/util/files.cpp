#include "core/util/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "core/platform/directory.h"

namespace orvane {
namespace {

std::string Normalized(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool IsDirectory(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ParentOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

void CreateTree(const std::string& path, mode_t mode) {
  if (path.empty() || IsDirectory(path)) return;
  if (mkdir(path.c_str(), mode) == 0) return;
  const std::string parent = ParentOf(path);
  if (!parent.empty() && !IsDirectory(parent)) CreateTree(parent, mode);
  mkdir(path.c_str(), mode);
}

bool WriteAll(int fd, const uint8_t* bytes, std::size_t len) {
  while (len > 0) {
    const ssize_t n = write(fd, bytes, len);
    if (n < 0) return false;
    bytes += n;
    len -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool ReadFileToString(const std::string& path, std::string& out) {
  out.clear();
  std::ifstream in(Normalized(path), std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool ReadFileToBuffer(const std::string& path, uint8_t* buffer, uint32_t* len) {
  std::string bytes;
  if (buffer == nullptr || len == nullptr || !ReadFileToString(path, bytes) || bytes.size() > *len) return false;
  std::copy(bytes.begin(), bytes.end(), buffer);
  *len = static_cast<uint32_t>(bytes.size());
  return true;
}

bool WriteStringToFile(const std::string& path, std::string_view bytes) {
  const std::string target = Normalized(path);
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (!out) {
    CreateDirectoryTree(ParentOf(target));
    out.open(target, std::ios::binary | std::ios::trunc);
    if (!out) return false;
  }
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

bool WriteBufferToFile(const std::string& path, const uint8_t* bytes, std::size_t len) {
  return WriteStringToFile(path, std::string_view(reinterpret_cast<const char*>(bytes), len));
}

bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
  const std::string target = Normalized(path);
  const std::string dir = ParentOf(target);
  if (!dir.empty()) CreateTree(dir, 0700);
  std::string temp = target + ".tmp-XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  fchmod(fd, 0600);
  const bool written = WriteAll(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
  const bool closed = close(fd) == 0;
  if (!written || !closed || rename(temp.c_str(), target.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

void CreateDirectoryTree(const std::string& path) { CreateTree(Normalized(path), 0777); }

void ListFilesRecursive(const std::string& dir, std::vector<std::string>& out) {
  const std::string base = Normalized(dir);
  for (const auto& name : platform::ListDirectory(base).value_or(std::vector<std::string>{})) {
    const std::string full = base + "/" + name;
    struct stat st{};
    if (lstat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {  // symbolic links are not followed
      ListFilesRecursive(full, out);
    } else {
      out.push_back(full);
    }
  }
}

}  // namespace orvane
