// Round trips of {"F":1} through the running service (OrvaneEx from this
// build), over one WebSocket and over one kept-alive HTTP connection, beside
// a bare Beast WebSocket echo server built only for this comparison.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = beast::websocket;
using asio::ip::tcp;

const std::string kRequest = "{\"F\":1}";

// ---- The bare echo server: one thread, one io_context, like the service ----

class EchoSession : public std::enable_shared_from_this<EchoSession> {
 public:
  explicit EchoSession(tcp::socket socket) : ws_(std::move(socket)) {}
  void Run() {
    ws_.async_accept([self = shared_from_this()](beast::error_code ec) {
      if (!ec) self->Read();
    });
  }

 private:
  void Read() {
    ws_.async_read(buffer_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
      if (ec) return;
      self->ws_.text(true);
      self->ws_.async_write(self->buffer_.data(), [self](beast::error_code e, std::size_t) {
        if (e) return;
        self->buffer_.consume(self->buffer_.size());
        self->Read();
      });
    });
  }
  websocket::stream<beast::tcp_stream> ws_;
  beast::flat_buffer buffer_;
};

// Runs in a process of its own, as the service does, so that both are reached
// across the same process boundary.
void RunEchoServer(unsigned short port) {
  asio::io_context ioc{1};
  tcp::acceptor acceptor(ioc, {asio::ip::address_v4::loopback(), port});
  std::function<void()> accept = [&] {
    acceptor.async_accept([&](beast::error_code ec, tcp::socket socket) {
      if (!ec) {
        socket.set_option(tcp::no_delay(true));
        std::make_shared<EchoSession>(std::move(socket))->Run();
      }
      accept();
    });
  };
  accept();
  ioc.run();
}

// ---- The service, as a process of its own ----

unsigned short FreePort() {
  asio::io_context ioc;
  tcp::acceptor probe(ioc, {asio::ip::address_v4::loopback(), 0});
  return probe.local_endpoint().port();
}

bool WaitForPort(unsigned short port) {
  for (int i = 0; i < 2000; ++i) {
    asio::io_context ioc;
    tcp::socket socket(ioc);
    beast::error_code ec;
    socket.connect({asio::ip::address_v4::loopback(), port}, ec);
    if (!ec) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

bool WaitForPort(unsigned short port);

class EchoProcess {
 public:
  EchoProcess() : port_(FreePort()) {
    pid_ = fork();
    if (pid_ == 0) {
      RunEchoServer(port_);
      _exit(0);
    }
    if (!WaitForPort(port_)) throw std::runtime_error("the echo server did not start");
  }
  ~EchoProcess() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  unsigned short port() const { return port_; }

 private:
  unsigned short port_;
  pid_t pid_ = -1;
};

class Service {
 public:
  Service() : port_(FreePort()) {
    char dir[] = "/tmp/orvane-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) throw std::runtime_error("mkdtemp");
    runtimeDir_ = dir;
    pid_ = fork();
    if (pid_ == 0) {
      // Its log lines would only measure the terminal.
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
      setenv("XDG_RUNTIME_DIR", runtimeDir_.c_str(), 1);
      unsetenv("DISPLAY");
      unsetenv("WAYLAND_DISPLAY");
      const std::string program = std::string(ORVANE_BUILD_DIR) + "/OrvaneEx";
      const std::string port = std::to_string(port_);
      execl(program.c_str(), program.c_str(), "--port", port.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (!WaitForPort(port_)) throw std::runtime_error("OrvaneEx did not start");
  }
  ~Service() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    std::remove((runtimeDir_ + "/OrvaneEx.lock").c_str());
    rmdir(runtimeDir_.c_str());
  }
  unsigned short port() const { return port_; }

 private:
  unsigned short port_;
  std::string runtimeDir_;
  pid_t pid_ = -1;
};

Service* g_service = nullptr;
EchoProcess* g_echo = nullptr;

// ---- Clients ----

void WebSocketRoundTrips(benchmark::State& state, unsigned short port) {
  asio::io_context ioc;
  websocket::stream<tcp::socket> ws(ioc);
  ws.next_layer().connect({asio::ip::address_v4::loopback(), port});
  ws.next_layer().set_option(tcp::no_delay(true));
  ws.handshake("127.0.0.1", "/");
  ws.text(true);
  beast::flat_buffer buffer;
  for (auto _ : state) {
    ws.write(asio::buffer(kRequest));
    ws.read(buffer);
    benchmark::DoNotOptimize(buffer.size());
    buffer.consume(buffer.size());
  }
  state.SetItemsProcessed(state.iterations());
  ws.close(websocket::close_code::normal);
}

void BM_OrvaneWebSocket(benchmark::State& state) { WebSocketRoundTrips(state, g_service->port()); }
void BM_EchoWebSocket(benchmark::State& state) { WebSocketRoundTrips(state, g_echo->port()); }

void BM_OrvaneHttpKeepAlive(benchmark::State& state) {
  asio::io_context ioc;
  tcp::socket socket(ioc);
  socket.connect({asio::ip::address_v4::loopback(), g_service->port()});
  socket.set_option(tcp::no_delay(true));
  const std::string request =
      "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\nContent-Length: " +
      std::to_string(kRequest.size()) + "\r\n\r\n" + kRequest;
  std::string pending;
  char chunk[4096];
  for (auto _ : state) {
    asio::write(socket, asio::buffer(request));
    // Headers end at the blank line; the body and one line feed follow.
    std::size_t end;
    while ((end = pending.find("\n\n")) == std::string::npos) pending.append(chunk, socket.read_some(asio::buffer(chunk)));
    const auto at = pending.find("Content-Length: ");
    const std::size_t total = end + 2 + std::stoul(pending.substr(at + 16)) + 1;
    while (pending.size() < total) pending.append(chunk, socket.read_some(asio::buffer(chunk)));
    pending.erase(0, total);
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_EchoWebSocket)->UseRealTime();
BENCHMARK(BM_OrvaneWebSocket)->UseRealTime();
BENCHMARK(BM_OrvaneHttpKeepAlive)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  EchoProcess echo;  // forked before any thread exists
  Service service;
  g_service = &service;
  g_echo = &echo;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
