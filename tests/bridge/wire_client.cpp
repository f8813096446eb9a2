#include "wire_client.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <stdexcept>

namespace orvane::test {

namespace asio = boost::asio;
namespace beast = boost::beast;
using asio::ip::tcp;

HttpClient::HttpClient(unsigned short port) : socket_(ioc_) {
  socket_.connect({asio::ip::address_v4::loopback(), port});
}

void HttpClient::SendRaw(const std::string& bytes) { asio::write(socket_, asio::buffer(bytes)); }

std::optional<std::string> HttpClient::Exchange(const std::string& rawRequest) {
  boost::system::error_code ec;
  asio::write(socket_, asio::buffer(rawRequest), ec);
  if (ec) return std::nullopt;
  // Headers end at the first empty line (bare LF); the body is Content-Length
  // bytes, then one more LF.
  auto fill = [&](std::size_t wanted) {
    while (pending_.size() < wanted) {
      char chunk[65536];
      const std::size_t n = socket_.read_some(asio::buffer(chunk), ec);
      if (ec) return false;
      pending_.append(chunk, n);
    }
    return true;
  };
  std::size_t headerEnd;
  while ((headerEnd = pending_.find("\n\n")) == std::string::npos) {
    if (!fill(pending_.size() + 1)) return std::nullopt;
  }
  const std::string headers = pending_.substr(0, headerEnd);
  const auto at = headers.find("Content-Length: ");
  if (at == std::string::npos) throw std::runtime_error("reply without Content-Length: " + headers);
  const std::size_t length = std::stoul(headers.substr(at + 16));
  const std::size_t total = headerEnd + 2 + length + 1;
  if (!fill(total)) return std::nullopt;
  std::string reply = pending_.substr(0, total);
  pending_.erase(0, total);
  return reply;
}

std::optional<std::string> HttpClient::Post(const std::string& body) {
  return Exchange("POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\nContent-Length: " +
                  std::to_string(body.size()) + "\r\n\r\n" + body);
}

bool HttpClient::ClosedByPeer(std::chrono::milliseconds patience) {
  // A blocking read with a receive timeout: end of stream or a reset means closed.
  timeval tv{};
  tv.tv_sec = static_cast<long>(patience.count() / 1000);
  tv.tv_usec = static_cast<long>((patience.count() % 1000) * 1000);
  setsockopt(socket_.native_handle(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  char byte;
  boost::system::error_code ec;
  for (;;) {
    socket_.read_some(asio::buffer(&byte, 1), ec);
    if (ec == asio::error::eof || ec == asio::error::connection_reset) return true;
    if (ec) return false;  // timed out
  }
}

std::string HttpBody(const std::string& reply) {
  const auto headerEnd = reply.find("\n\n");
  return reply.substr(headerEnd + 2, reply.size() - headerEnd - 3);
}

WsClient::WsClient(unsigned short port) : ws_(ioc_) {
  ws_.next_layer().connect({asio::ip::address_v4::loopback(), port});
  ws_.handshake("127.0.0.1:" + std::to_string(port), "/");
}

void WsClient::Send(const std::string& message, bool text) {
  ws_.text(text);
  ws_.write(asio::buffer(message));
}

std::optional<std::string> WsClient::Receive() {
  boost::system::error_code ec;
  buffer_.clear();
  ws_.read(buffer_, ec);
  if (ec) return std::nullopt;
  lastWasText_ = ws_.got_text();
  return beast::buffers_to_string(buffer_.data());
}

std::optional<std::string> WsClient::Call(const std::string& message) {
  Send(message);
  return Receive();
}

tcp::endpoint WsClient::LocalEndpoint() const { return ws_.next_layer().local_endpoint(); }
tcp::socket& WsClient::Socket() { return ws_.next_layer(); }

std::string TextReplyBytes(const std::string& encodedValue) {
  return "{\n\t\"R\" : \"T\",\n\t\"V\" : \"" + encodedValue + "\"\n}";
}

std::string CodeReplyBytes(bool success, int code) {
  return std::string("{\n\t\"R\" : \"") + (success ? "T" : "F") + "\",\n\t\"V\" : " + std::to_string(code) + "\n}";
}

}  // namespace orvane::test
