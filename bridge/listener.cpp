#include "bridge/listener.h"

#include <chrono>

#include <boost/asio/ip/v6_only.hpp>

#include "bridge/http_session.h"
#include "bridge/limits.h"

namespace orvane::bridge {

namespace asio = boost::asio;
using asio::ip::tcp;

Listener::Listener(asio::io_context& ioc, std::shared_ptr<ConnectionCount> count)
    : ioc_(ioc), acceptor_(ioc), retry_(ioc), count_(std::move(count)) {}

bool Listener::Listen(const tcp::endpoint& endpoint, boost::system::error_code& ec) {
  acceptor_.open(endpoint.protocol(), ec);
  if (ec) return false;
  // Lets a restarted service bind again while old connections linger in
  // TIME_WAIT; it does not let two services share the port.
  acceptor_.set_option(asio::socket_base::reuse_address(true), ec);
  if (endpoint.address().is_v6()) acceptor_.set_option(asio::ip::v6_only(true), ec);
  acceptor_.bind(endpoint, ec);
  if (ec) return false;
  acceptor_.listen(asio::socket_base::max_listen_connections, ec);
  return !ec;
}

void Listener::Run() { DoAccept(); }

void Listener::DoAccept() {
  acceptor_.async_accept(ioc_, [self = shared_from_this()](boost::system::error_code ec, tcp::socket socket) {
    self->OnAccept(ec, std::move(socket));
  });
}

void Listener::OnAccept(boost::system::error_code ec, tcp::socket socket) {
  if (ec == asio::error::operation_aborted) return;
  if (ec) {
    // Out of descriptors or a similar passing shortage: try again shortly
    // instead of spinning.
    retry_.expires_after(std::chrono::milliseconds(50));
    retry_.async_wait([self = shared_from_this()](boost::system::error_code e) {
      if (!e) self->DoAccept();
    });
    return;
  }
  if (count_->open < kMaxConnections) {
    boost::system::error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);
    std::make_shared<HttpSession>(std::move(socket), ConnectionSlot(count_))->Run();
  }
  // Over the limit, the socket goes out of scope here and is closed.
  DoAccept();
}

}  // namespace orvane::bridge
