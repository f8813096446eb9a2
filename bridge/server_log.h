// The service's log lines on standard output. Request bodies are never
// logged: they carry PINs and keys.
#pragma once

#include <string_view>

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>

namespace orvane::bridge {

void LogStarted(std::string_view port);

// The request line and headers as received, then the body's length.
void LogRequest(const boost::beast::http::request<boost::beast::http::string_body>& request);

// "client websocket connected", then "client addr: <address>:<port>".
void LogWebSocketConnected(const boost::asio::ip::tcp::endpoint& peer);

void LogWebSocketClosed();

}  // namespace orvane::bridge
