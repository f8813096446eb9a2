// One upgraded connection: each message (text or binary) is one request text,
// answered by exactly one text frame, in order.
#pragma once

#include <memory>
#include <string>

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/websocket/stream.hpp>

#include "bridge/connection_slot.h"

namespace orvane::bridge {

class WebSocketSession : public std::enable_shared_from_this<WebSocketSession> {
 public:
  WebSocketSession(boost::asio::ip::tcp::socket&& socket, ConnectionSlot slot);
  ~WebSocketSession();

  // Completes the handshake of `upgrade`. A client sends nothing more before
  // the handshake reply, so no bytes read with the request are carried over.
  void Run(boost::beast::http::request<boost::beast::http::string_body> upgrade);

 private:
  void OnAccept(boost::beast::error_code ec);
  void DoRead();
  void OnRead(boost::beast::error_code ec, std::size_t bytes);
  void OnWrite(boost::beast::error_code ec, std::size_t bytes);

  boost::beast::websocket::stream<boost::beast::tcp_stream> ws_;
  boost::beast::flat_buffer buffer_;
  std::string reply_;
  bool connected_ = false;
  ConnectionSlot slot_;
};

}  // namespace orvane::bridge
