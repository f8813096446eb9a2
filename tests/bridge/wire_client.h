// Clients that talk to the service over real loopback sockets and hand back
// exactly the bytes it sent.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/websocket/stream.hpp>

namespace orvane::test {

// One HTTP connection that is kept alive across exchanges.
class HttpClient {
 public:
  explicit HttpClient(unsigned short port);

  // Sends raw request bytes and returns the whole reply: status line, headers,
  // the Content-Length bytes of the body and the one line feed after them.
  // nullopt when the service closes the connection instead.
  std::optional<std::string> Exchange(const std::string& rawRequest);
  // A POST of `body` to "/".
  std::optional<std::string> Post(const std::string& body);
  void SendRaw(const std::string& bytes);
  // True when the service has closed the connection (reads end of stream).
  bool ClosedByPeer(std::chrono::milliseconds patience);

 private:
  boost::asio::io_context ioc_;
  boost::asio::ip::tcp::socket socket_;
  std::string pending_;
};

// The body of a reply from HttpClient::Exchange (without the extra line feed).
std::string HttpBody(const std::string& reply);

// One WebSocket connection to "/".
class WsClient {
 public:
  explicit WsClient(unsigned short port);

  void Send(const std::string& message, bool text = true);
  // The next message; nullopt when the connection ended instead.
  std::optional<std::string> Receive();
  bool LastWasText() const { return lastWasText_; }
  // Send, then Receive.
  std::optional<std::string> Call(const std::string& message);
  boost::asio::ip::tcp::endpoint LocalEndpoint() const;
  boost::asio::ip::tcp::socket& Socket();

 private:
  boost::asio::io_context ioc_;
  boost::beast::websocket::stream<boost::asio::ip::tcp::socket> ws_;
  boost::beast::flat_buffer buffer_;
  bool lastWasText_ = false;
};

// The exact reply texts of the protocol.
std::string TextReplyBytes(const std::string& encodedValue);
std::string CodeReplyBytes(bool success, int code);

}  // namespace orvane::test
