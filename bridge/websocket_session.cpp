#include "bridge/websocket_session.h"

#include <openssl/crypto.h>

#include <cstring>

#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/websocket/stream_base.hpp>

#include "bridge/dispatcher.h"
#include "bridge/limits.h"
#include "bridge/server_log.h"

namespace orvane::bridge {

namespace beast = boost::beast;
namespace websocket = beast::websocket;

WebSocketSession::WebSocketSession(boost::asio::ip::tcp::socket&& socket, ConnectionSlot slot)
    : ws_(std::move(socket)), slot_(std::move(slot)) {}

WebSocketSession::~WebSocketSession() {
  if (connected_) LogWebSocketClosed();
}

void WebSocketSession::Run(beast::http::request<beast::http::string_body> upgrade) {
  // The handshake must finish in time; an open connection may then stay idle
  // as long as the page likes.
  websocket::stream_base::timeout timeouts{};
  timeouts.handshake_timeout = kRequestTimeout;
  timeouts.idle_timeout = websocket::stream_base::none();
  timeouts.keep_alive_pings = false;
  ws_.set_option(timeouts);
  ws_.read_message_max(kMaxRequestBytes);
  ws_.async_accept(upgrade, [self = shared_from_this()](beast::error_code ec) { self->OnAccept(ec); });
}

void WebSocketSession::OnAccept(beast::error_code ec) {
  if (ec) return;
  connected_ = true;
  beast::error_code ignored;
  LogWebSocketConnected(beast::get_lowest_layer(ws_).socket().remote_endpoint(ignored));
  DoRead();
}

void WebSocketSession::DoRead() {
  ws_.async_read(buffer_, [self = shared_from_this()](beast::error_code ec, std::size_t n) { self->OnRead(ec, n); });
}

void WebSocketSession::OnRead(beast::error_code ec, std::size_t) {
  // A close, a broken frame or a message over the limit ends this connection.
  if (ec) return;
  const auto data = buffer_.cdata();
  const std::string_view request(static_cast<const char*>(data.data()), data.size());
  reply_ = Dispatch(request);
  OPENSSL_cleanse(buffer_.data().data(), buffer_.size());
  buffer_.consume(buffer_.size());
  // The reply frame carries the text up to its first zero byte.
  reply_.resize(strnlen(reply_.c_str(), reply_.size()));
  ws_.text(true);
  ws_.async_write(boost::asio::buffer(reply_),
                  [self = shared_from_this()](beast::error_code e, std::size_t n) { self->OnWrite(e, n); });
}

void WebSocketSession::OnWrite(beast::error_code ec, std::size_t) {
  if (ec) return;
  OPENSSL_cleanse(reply_.data(), reply_.size());
  DoRead();
}

}  // namespace orvane::bridge
