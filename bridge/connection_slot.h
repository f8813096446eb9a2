// Counts the connections the server holds. Everything runs on the server
// thread, so a plain counter is enough.
#pragma once

#include <memory>
#include <utility>

namespace orvane::bridge {

struct ConnectionCount {
  int open = 0;
};

// One held connection; gives its place back when destroyed.
class ConnectionSlot {
 public:
  explicit ConnectionSlot(std::shared_ptr<ConnectionCount> count) : count_(std::move(count)) { ++count_->open; }
  ~ConnectionSlot() {
    if (count_) --count_->open;
  }
  ConnectionSlot(ConnectionSlot&&) noexcept = default;
  ConnectionSlot& operator=(ConnectionSlot&&) = delete;
  ConnectionSlot(const ConnectionSlot&) = delete;
  ConnectionSlot& operator=(const ConnectionSlot&) = delete;

 private:
  std::shared_ptr<ConnectionCount> count_;
};

}  // namespace orvane::bridge
