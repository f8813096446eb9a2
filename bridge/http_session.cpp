#include "bridge/http_session.h"

#include <openssl/crypto.h>

#include <boost/asio/write.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include "bridge/dispatcher.h"
#include "bridge/limits.h"
#include "bridge/server_log.h"
#include "bridge/websocket_session.h"

namespace orvane::bridge {

namespace beast = boost::beast;
namespace http = beast::http;

std::string FormatHttpReply(const std::string& body) {
  // The status line ends in CR LF, every other line in a bare LF, and one LF
  // follows the body that Content-Length does not count.
  std::string out =
      "HTTP/1.1 200 OK\r\nContent-Type: text/plain\nCache-Control: no-cache\nContent-Length: " +
      std::to_string(body.size()) + "\nAccess-Control-Allow-Origin: *\n\n";
  out += body;
  out += '\n';
  return out;
}

HttpSession::HttpSession(boost::asio::ip::tcp::socket&& socket, ConnectionSlot slot)
    : stream_(std::move(socket)), slot_(std::move(slot)) {}

void HttpSession::Run() { DoRead(); }

void HttpSession::DoRead() {
  parser_.emplace();
  parser_->body_limit(kMaxRequestBytes);
  stream_.expires_after(kRequestTimeout);
  http::async_read(stream_, buffer_, *parser_,
                   [self = shared_from_this()](beast::error_code ec, std::size_t n) { self->OnRead(ec, n); });
}

void HttpSession::OnRead(beast::error_code ec, std::size_t) {
  // End of stream, a timeout, a body over the limit or malformed HTTP: this
  // connection ends, nothing else is touched.
  if (ec) return Close();

  if (beast::websocket::is_upgrade(parser_->get())) {
    stream_.expires_never();
    std::make_shared<WebSocketSession>(stream_.release_socket(), std::move(slot_))
        ->Run(parser_->release());
    return;
  }

  auto& request = parser_->get();
  LogRequest(request);
  keep_alive_ = request.keep_alive();
  reply_ = FormatHttpReply(Dispatch(request.body()));
  OPENSSL_cleanse(request.body().data(), request.body().size());
  stream_.expires_after(kRequestTimeout);
  boost::asio::async_write(stream_, boost::asio::buffer(reply_),
                           [self = shared_from_this()](beast::error_code e, std::size_t n) { self->OnWrite(e, n); });
}

void HttpSession::OnWrite(beast::error_code ec, std::size_t) {
  if (ec) return Close();
  OPENSSL_cleanse(reply_.data(), reply_.size());
  if (!keep_alive_) return Close();
  DoRead();
}

void HttpSession::Close() {
  beast::error_code ignored;
  stream_.socket().shutdown(boost::asio::ip::tcp::socket::shutdown_send, ignored);
  stream_.close();
}

}  // namespace orvane::bridge
