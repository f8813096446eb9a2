// The two exports of libOrvaneWS.so, loaded by name like the host loads it:
// ZT_Start serves until ZT_Stop (from any thread), refuses what it cannot
// serve at once, and can serve again after a stop.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <boost/asio/ip/tcp.hpp>
#include <future>
#include <memory>
#include <string>

#include "bridge/OrvaneWS.h"
#include "service_process.h"
#include "wire_client.h"

namespace orvane::test {
namespace {

using namespace std::chrono_literals;

class ExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = dlopen((BuildDir() + "/libOrvaneWS.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    start_ = reinterpret_cast<ZT_StartFn>(dlsym(library_, "ZT_Start"));
    stop_ = reinterpret_cast<ZT_StopFn>(dlsym(library_, "ZT_Stop"));
    ASSERT_NE(start_, nullptr);
    ASSERT_NE(stop_, nullptr);
  }
  // The library stays loaded, as in the host.

  // ZT_Start(port) on a thread of its own; the future is ready when it returns.
  std::future<void> StartAsync(const std::string& port) {
    return std::async(std::launch::async, [this, port] { start_(port.c_str()); });
  }

  void* library_ = nullptr;
  ZT_StartFn start_ = nullptr;
  ZT_StopFn stop_ = nullptr;
};

TEST_F(ExportsTest, StartServesUntilStopFromAnotherThread) {
  const unsigned short port = FreeLoopbackPort();
  auto server = StartAsync(std::to_string(port));
  ASSERT_TRUE(WaitForPort(port, 20s));
  WsClient ws(port);
  EXPECT_EQ(ws.Call("{\"F\":1}"), TextReplyBytes("2.1.0.0"));

  // A second server in the same process is refused at once.
  auto second = StartAsync(std::to_string(FreeLoopbackPort()));
  EXPECT_EQ(second.wait_for(20s), std::future_status::ready);

  stop_();
  ASSERT_EQ(server.wait_for(20s), std::future_status::ready);
  EXPECT_EQ(ws.Receive(), std::nullopt);  // its connections are closed

  // The port is free again, and the library can serve anew.
  auto again = StartAsync(std::to_string(port));
  ASSERT_TRUE(WaitForPort(port, 20s));
  EXPECT_EQ(WsClient(port).Call("{\"F\":1}"), TextReplyBytes("2.1.0.0"));
  stop_();
  EXPECT_EQ(again.wait_for(20s), std::future_status::ready);
}

TEST_F(ExportsTest, StartReturnsAtOnceForWhatItCannotServe) {
  boost::asio::io_context ioc;
  boost::asio::ip::tcp::acceptor taken(ioc, {boost::asio::ip::address_v4::loopback(), 0});
  const std::string takenPort = std::to_string(taken.local_endpoint().port());
  for (const char* port : {"", "0", "65536", "abc", "90x2", "-1", "127.0.0.1:9002", takenPort.c_str()}) {
    auto server = StartAsync(port);
    EXPECT_EQ(server.wait_for(20s), std::future_status::ready) << port;
  }
  start_(nullptr);
  stop_();  // nothing runs: does nothing
}

}  // namespace
}  // namespace orvane::test
