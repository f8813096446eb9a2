// Traffic that is too big, broken, idle or plentiful: each bad connection
// ends alone, and every well-formed request still gets its own reply.
#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <boost/asio/write.hpp>

#include "service_process.h"
#include "wire_client.h"

namespace orvane::test {
namespace {

constexpr std::size_t kLimit = 1024 * 1024;
const std::string kVersionReply = TextReplyBytes("2.1.0.0");

// A request of exactly `size` bytes that asks for the version.
std::string VersionRequestOfSize(std::size_t size) {
  const std::string head = "{\"F\":1,\"Pad\":\"";
  const std::string tail = "\"}";
  return head + std::string(size - head.size() - tail.size(), 'a') + tail;
}

class HostileTest : public ::testing::Test {
 protected:
  // The service still answers on a connection opened before the trouble and
  // on a new one.
  void ExpectStillServing(WsClient& bystander) {
    EXPECT_EQ(bystander.Call("{\"F\":1}"), kVersionReply);
    HttpClient fresh(service_.port());
    EXPECT_EQ(fresh.Post("{\"F\":1}").has_value(), true);
  }

  ServiceProcess service_;
};

TEST_F(HostileTest, HttpBodyOverTheLimitClosesThatConnection) {
  WsClient bystander(service_.port());
  HttpClient atLimit(service_.port());
  const auto reply = atLimit.Post(VersionRequestOfSize(kLimit));
  ASSERT_TRUE(reply.has_value());
  EXPECT_EQ(HttpBody(*reply), kVersionReply);

  HttpClient over(service_.port());
  over.SendRaw("POST / HTTP/1.1\r\nHost: h\r\nContent-Length: " + std::to_string(kLimit + 1) + "\r\n\r\n{\"F\":1");
  EXPECT_TRUE(over.ClosedByPeer(std::chrono::seconds(10)));
  ExpectStillServing(bystander);
}

TEST_F(HostileTest, WebSocketMessageOverTheLimitClosesThatConnection) {
  WsClient bystander(service_.port());
  WsClient atLimit(service_.port());
  EXPECT_EQ(atLimit.Call(VersionRequestOfSize(kLimit)), kVersionReply);

  WsClient over(service_.port());
  over.Send(VersionRequestOfSize(kLimit + 1));
  EXPECT_EQ(over.Receive(), std::nullopt);
  ExpectStillServing(bystander);
}

TEST_F(HostileTest, BrokenTrafficClosesOnlyItsConnection) {
  WsClient bystander(service_.port());
  const std::vector<std::string> brokenFrames = {
      std::string("\x81\x05hello", 7),                   // unmasked client frame
      std::string("\x83\x80\x01\x02\x03\x04", 6),        // reserved opcode 3
      std::string("\xC1\x80\x01\x02\x03\x04", 6),        // RSV1 without an extension
      std::string("\x89\xFE\x01\x00\x01\x02\x03\x04", 8) // control frame longer than 125 bytes
  };
  for (const auto& frame : brokenFrames) {
    WsClient ws(service_.port());
    boost::asio::write(ws.Socket(), boost::asio::buffer(frame));
    EXPECT_EQ(ws.Receive(), std::nullopt);
  }
  const std::vector<std::string> brokenHttp = {
      "GARBAGE\r\n\r\n",
      "POST / HTTP/1.1\r\nContent-Length: -5\r\n\r\n",
      "POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nZZ\r\n",
  };
  for (const auto& request : brokenHttp) {
    HttpClient http(service_.port());
    http.SendRaw(request);
    EXPECT_TRUE(http.ClosedByPeer(std::chrono::seconds(10))) << request;
  }
  ExpectStillServing(bystander);
}

TEST_F(HostileTest, SilentClientsHoldUpNobody) {
  HttpClient silent(service_.port());
  HttpClient halfHeader(service_.port());
  halfHeader.SendRaw("POST / HTTP/1.1\r\nContent-Le");
  WsClient halfFrame(service_.port());
  boost::asio::write(halfFrame.Socket(), boost::asio::buffer(std::string("\x81\x85\x01\x02", 4)));

  WsClient ws(service_.port());
  for (int i = 0; i < 20; ++i) ASSERT_EQ(ws.Call("{\"F\":1}"), kVersionReply);
  ExpectStillServing(ws);
}

TEST_F(HostileTest, ConnectionsBeyondTheLimitAreClosedAtOnce) {
  constexpr int kMaxConnections = 256;
  std::vector<std::unique_ptr<HttpClient>> held;
  for (int i = 0; i < kMaxConnections; ++i) held.push_back(std::make_unique<HttpClient>(service_.port()));
  // All of them are served ...
  EXPECT_EQ(held.back()->Post("{\"F\":1}").has_value(), true);
  // ... and one more is closed without a reply.
  HttpClient extra(service_.port());
  EXPECT_TRUE(extra.ClosedByPeer(std::chrono::seconds(10)));

  held.pop_back();
  // The freed place is taken by the next client once the service has seen
  // the close; poll for that.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  bool served = false;
  while (!served && std::chrono::steady_clock::now() < deadline) {
    HttpClient next(service_.port());
    served = next.Post("{\"F\":1}").has_value();
  }
  EXPECT_TRUE(served);
}

// 200 clients at once, half WebSocket and half HTTP, each sending 50 requests
// of mixed kinds; a reply that went to the wrong request would not match.
TEST_F(HostileTest, TwoHundredClientsOfFiftyRequestsEachGetTheirOwnReplies) {
  constexpr int kClients = 200;
  constexpr int kRequests = 50;
  const std::vector<std::pair<std::string, std::string>> kinds = {
      {"{\"F\":1}", kVersionReply},
      {"{\"F\":5}", CodeReplyBytes(false, 4112)},
      {"", CodeReplyBytes(false, 4098)},
      {"{\"F\":7777}", ""},
      {"{\"F\":16,\"P\":{\"Data\":\"abc\",\"Alg\":2}}", CodeReplyBytes(false, 4112)},
  };
  std::atomic<int> right{0};
  std::atomic<int> wrong{0};
  std::latch connected(kClients);
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      try {
        std::unique_ptr<WsClient> ws;
        std::unique_ptr<HttpClient> http;
        if (c % 2 == 0) ws = std::make_unique<WsClient>(service_.port());
        else http = std::make_unique<HttpClient>(service_.port());
        connected.arrive_and_wait();  // all 200 connections are open at once
        for (int i = 0; i < kRequests; ++i) {
          const auto& [request, reply] = kinds[(c + i) % kinds.size()];
          const auto got = ws ? ws->Call(request) : http->Post(request);
          const bool ok = got.has_value() && (ws ? *got == reply : HttpBody(*got) == reply);
          (ok ? right : wrong)++;
        }
      } catch (const std::exception&) {
        wrong++;
      }
    });
  }
  for (auto& t : clients) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(right.load(), kClients * kRequests);
  WsClient after(service_.port());
  EXPECT_EQ(after.Call("{\"F\":1}"), kVersionReply);
}

}  // namespace
}  // namespace orvane::test
