// One accepted connection while it speaks HTTP: each request body is one
// request text, each reply goes back in the fixed reply layout. An upgrade
// request hands the connection to a WebSocketSession.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include "bridge/connection_slot.h"

namespace orvane::bridge {

class HttpSession : public std::enable_shared_from_this<HttpSession> {
 public:
  HttpSession(boost::asio::ip::tcp::socket&& socket, ConnectionSlot slot);
  void Run();

 private:
  void DoRead();
  void OnRead(boost::beast::error_code ec, std::size_t bytes);
  void OnWrite(boost::beast::error_code ec, std::size_t bytes);
  void Close();

  boost::beast::tcp_stream stream_;
  boost::beast::flat_buffer buffer_;
  std::optional<boost::beast::http::request_parser<boost::beast::http::string_body>> parser_;
  std::string reply_;
  bool keep_alive_ = true;
  ConnectionSlot slot_;
};

// The exact bytes of an HTTP reply carrying `body`.
std::string FormatHttpReply(const std::string& body);

}  // namespace orvane::bridge
