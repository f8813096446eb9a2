#include "host/bridge_worker.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace orvane::host {
namespace {

void Say(const std::string& text) { std::fprintf(stderr, "OrvaneEx: %s\n", text.c_str()); }

// The library beside the program comes first, then the standard search order.
// (Searching by name alone relies on the caller's RUNPATH, which sanitizer
// runtimes that wrap dlopen hide.)
void* LoadLibrary(const std::string& name) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    std::string path(self, static_cast<std::size_t>(n));
    path = path.substr(0, path.rfind('/') + 1) + name;
    if (access(path.c_str(), F_OK) == 0) return dlopen(path.c_str(), RTLD_NOW);
  }
  return dlopen(name.c_str(), RTLD_NOW);
}

}  // namespace

BridgeWorker::~BridgeWorker() {
  if (thread_.joinable()) thread_.detach();
}

void BridgeWorker::Start(std::string library, std::string port) {
  library_ = std::move(library);
  port_ = std::move(port);
  thread_ = std::thread([this] { Run(); });
}

void BridgeWorker::Run() {
  // The library stays loaded for the life of the process.
  void* module = LoadLibrary(library_);
  if (module == nullptr) {
    const char* why = dlerror();
    Say("cannot load " + library_ + " (" + (why ? why : "unknown error") + "); running without a server");
  } else if (auto start = reinterpret_cast<ZT_StartFn>(dlsym(module, "ZT_Start")); start == nullptr) {
    Say(library_ + " has no ZT_Start; running without a server");
  } else {
    {
      std::lock_guard lock(mutex_);
      stop_ = reinterpret_cast<ZT_StopFn>(dlsym(module, "ZT_Stop"));
      if (stopping_) start = nullptr;
    }
    if (start != nullptr) start(port_.c_str());
    std::lock_guard lock(mutex_);
    stop_ = nullptr;
    if (!stopping_) Say("cannot serve port " + port_ + " (in use or not a port); running without a server");
  }
  std::lock_guard lock(mutex_);
  done_ = true;
  done_cv_.notify_all();
}

bool BridgeWorker::Stop(std::chrono::milliseconds patience) {
  if (!thread_.joinable()) return true;
  const auto deadline = std::chrono::steady_clock::now() + patience;
  std::unique_lock lock(mutex_);
  stopping_ = true;
  // Asked again until the thread ends: the first request may come just
  // before the server has started its loop.
  while (!done_) {
    if (stop_ != nullptr) stop_();
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return false;
    done_cv_.wait_for(lock, std::min<std::chrono::steady_clock::duration>(deadline - now, std::chrono::milliseconds(50)));
  }
  lock.unlock();
  thread_.join();
  return true;
}

}  // namespace orvane::host
