// The worker thread that loads the bridge library by name and runs its
// server on the given port.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "bridge/OrvaneWS.h"

namespace orvane::host {

class BridgeWorker {
 public:
  BridgeWorker() = default;
  ~BridgeWorker();
  BridgeWorker(const BridgeWorker&) = delete;
  BridgeWorker& operator=(const BridgeWorker&) = delete;

  // Starts the thread. Failures (library missing, no ZT_Start, the port not
  // served) are told once on standard error; the program keeps running.
  void Start(std::string library, std::string port);

  // Asks the server to stop and waits up to `patience` for the thread; false
  // when it is still busy (a request in progress waiting for the user).
  bool Stop(std::chrono::milliseconds patience);

 private:
  void Run();

  std::string library_;
  std::string port_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  bool stopping_ = false;
  ZT_StopFn stop_ = nullptr;
};

}  // namespace orvane::host
