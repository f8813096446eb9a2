#include "bridge/server_log.h"

#include <cstdio>
#include <string>

namespace orvane::bridge {
namespace {

std::string_view View(boost::beast::string_view text) { return {text.data(), text.size()}; }

void Write(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

void LogStarted(std::string_view port) {
  Write("starting http server at port: " + std::string(port) + "\n");
}

void LogRequest(const boost::beast::http::request<boost::beast::http::string_body>& request) {
  std::string line = "request: ";
  line += View(request.method_string());
  line += ' ';
  line += View(request.target());
  line += request.version() == 10 ? " HTTP/1.0\r\n" : " HTTP/1.1\r\n";
  for (const auto& field : request) {
    line += View(field.name_string());
    line += ": ";
    line += View(field.value());
    line += "\r\n";
  }
  line += "\r\n[body: " + std::to_string(request.body().size()) + " bytes]\n";
  Write(line);
}

void LogWebSocketConnected(const boost::asio::ip::tcp::endpoint& peer) {
  boost::system::error_code ec;
  std::string address = peer.address().to_string(ec);
  // The address text has room for 31 characters, port included.
  if (!ec) address = (address + ":" + std::to_string(peer.port())).substr(0, 31);
  else address.clear();
  Write("client websocket connected\nclient addr: " + address + "\n");
}

void LogWebSocketClosed() { Write("client websocket closed\n"); }

}  // namespace orvane::bridge
