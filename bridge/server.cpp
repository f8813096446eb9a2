#include "bridge/server.h"

#include <memory>
#include <mutex>

#include <boost/asio/io_context.hpp>

#include "bridge/listener.h"
#include "bridge/server_log.h"

namespace orvane::bridge {
namespace {

namespace asio = boost::asio;
using asio::ip::tcp;

// The running server's loop, if any; StopServer may come from another thread.
std::mutex g_mutex;
asio::io_context* g_running = nullptr;

// Registers `ioc` as the one running loop; false when another one runs.
bool Claim(asio::io_context& ioc) {
  std::lock_guard lock(g_mutex);
  if (g_running != nullptr) return false;
  g_running = &ioc;
  return true;
}

void Release() {
  std::lock_guard lock(g_mutex);
  g_running = nullptr;
}

// A key-signing service must not be reachable from the network: it listens on
// 127.0.0.1 and, where the machine has it, ::1.
bool ListenOnLoopback(asio::io_context& ioc, unsigned short port) {
  auto count = std::make_shared<ConnectionCount>();
  boost::system::error_code ec;
  auto v4 = std::make_shared<Listener>(ioc, count);
  if (!v4->Listen({asio::ip::address_v4::loopback(), port}, ec)) return false;
  v4->Run();
  auto v6 = std::make_shared<Listener>(ioc, count);
  if (v6->Listen({asio::ip::address_v6::loopback(), port}, ec)) v6->Run();
  return true;
}

}  // namespace

std::optional<unsigned short> ParsePort(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value == 0 || value > 65535) return std::nullopt;
  return static_cast<unsigned short>(value);
}

void RunServer(std::string_view portText) {
  const auto port = ParsePort(portText);
  if (!port) return;
  asio::io_context ioc(1);
  if (!Claim(ioc)) return;
  if (ListenOnLoopback(ioc, *port)) {
    LogStarted(portText);
    ioc.run();
  }
  Release();
  // Leaving the scope destroys the listeners and every session with the
  // io_context: their sockets are closed.
}

void StopServer() {
  std::lock_guard lock(g_mutex);
  if (g_running != nullptr) g_running->stop();
}

}  // namespace orvane::bridge
