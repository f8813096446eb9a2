// Accepts connections on one listening address and starts an HttpSession
// for each, as long as the server holds fewer than kMaxConnections.
#pragma once

#include <memory>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include "bridge/connection_slot.h"

namespace orvane::bridge {

class Listener : public std::enable_shared_from_this<Listener> {
 public:
  Listener(boost::asio::io_context& ioc, std::shared_ptr<ConnectionCount> count);

  // Opens and binds the address; false when it cannot be bound.
  bool Listen(const boost::asio::ip::tcp::endpoint& endpoint, boost::system::error_code& ec);
  void Run();

 private:
  void DoAccept();
  void OnAccept(boost::system::error_code ec, boost::asio::ip::tcp::socket socket);

  boost::asio::io_context& ioc_;
  boost::asio::ip::tcp::acceptor acceptor_;
  boost::asio::steady_timer retry_;
  std::shared_ptr<ConnectionCount> count_;
};

}  // namespace orvane::bridge
