// Runs a shell command line for tests (the openssl tool as a reference).
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace orvane::testing {

struct CommandResult {
  int exitCode = -1;
  std::string output;  // standard output
};

inline CommandResult RunCommand(const std::string& command) {
  CommandResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) result.output.append(buf.data(), n);
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace orvane::testing
