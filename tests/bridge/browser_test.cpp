// The demo page in a real browser: headless Chromium opens web/demo.html
// against a test instance of the service, and the test reads what the page
// shows through the browser's DevTools protocol.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/core/buffers_to_string.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "core/api/npOrvane.h"
#include "service_process.h"

namespace orvane::test {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
using nlohmann::json;
using namespace std::chrono_literals;

constexpr const char* kChromium = "/usr/bin/chromium";

// A headless Chromium with a profile of its own, ended with its whole
// process group.
class Browser {
 public:
  explicit Browser(const std::string& url) {
    pid_ = fork();
    if (pid_ == 0) {
      setpgid(0, 0);
      const std::string log = profile_.path() + "/chromium.log";
      freopen(log.c_str(), "w", stdout);
      freopen(log.c_str(), "w", stderr);
      const std::string dataDir = "--user-data-dir=" + profile_.path() + "/profile";
      execl(kChromium, kChromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync",
            "--remote-debugging-port=0", dataDir.c_str(), url.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    setpgid(pid_, pid_);
  }

  ~Browser() {
    kill(-pid_, SIGTERM);
    for (int i = 0; i < 500 && waitpid(pid_, nullptr, WNOHANG) == 0; ++i) std::this_thread::sleep_for(10ms);
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    // Its helper processes are not our children; wait until the group is
    // gone before the profile is removed.
    for (int i = 0; i < 500 && kill(-pid_, 0) == 0; ++i) std::this_thread::sleep_for(10ms);
  }

  // The DevTools port, once the browser has written it into its profile.
  unsigned short DevToolsPort() {
    const std::string file = profile_.path() + "/profile/DevToolsActivePort";
    for (int i = 0; i < 3000; ++i) {  // polled for up to 30 s
      std::ifstream in(file);
      int port = 0;
      if (in >> port && port > 0) return static_cast<unsigned short>(port);
      std::this_thread::sleep_for(10ms);
    }
    return 0;
  }

 private:
  TempDir profile_;
  pid_t pid_ = -1;
};

std::string HttpGet(unsigned short port, const std::string& target) {
  asio::io_context ioc;
  beast::tcp_stream stream(ioc);
  stream.connect({asio::ip::address_v4::loopback(), port});
  beast::http::request<beast::http::empty_body> request{beast::http::verb::get, target, 11};
  request.set(beast::http::field::host, "127.0.0.1");
  beast::http::write(stream, request);
  beast::flat_buffer buffer;
  beast::http::response<beast::http::string_body> response;
  beast::http::read(stream, buffer, response);
  return response.body();
}

// The DevTools address of the page showing `url`.
std::string PageDebuggerPath(unsigned short devtools, const std::string& url) {
  for (int i = 0; i < 1000; ++i) {
    for (const auto& target : json::parse(HttpGet(devtools, "/json/list"))) {
      if (target.value("type", "") == "page" && target.value("url", "").rfind(url, 0) == 0) {
        const std::string ws = target.value("webSocketDebuggerUrl", "");
        return ws.substr(ws.find("/devtools/"));
      }
    }
    std::this_thread::sleep_for(10ms);
  }
  return {};
}

// Evaluates `expression` (a promise) in the page and returns its value.
json Evaluate(unsigned short devtools, const std::string& path, const std::string& expression) {
  asio::io_context ioc;
  beast::websocket::stream<asio::ip::tcp::socket> ws(ioc);
  ws.next_layer().connect({asio::ip::address_v4::loopback(), devtools});
  ws.handshake("127.0.0.1:" + std::to_string(devtools), path);
  const json call = {{"id", 1},
                     {"method", "Runtime.evaluate"},
                     {"params", {{"expression", expression}, {"awaitPromise", true}, {"returnByValue", true}}}};
  ws.write(asio::buffer(call.dump()));
  for (;;) {
    beast::flat_buffer buffer;
    ws.read(buffer);
    const json message = json::parse(beast::buffers_to_string(buffer.data()));
    if (message.value("id", 0) == 1) return message;
  }
}

// What the page shows once it has finished its steps.
constexpr const char* kReadPage = R"(new Promise((resolve, reject) => {
  const deadline = Date.now() + 30000;
  (function poll() {
    if (document.body && document.body.dataset.state === 'done') {
      const text = id => document.getElementById(id).textContent;
      return resolve({version: text('version'), init: text('init'), hash: text('hash'),
                      lastError: text('last-error'), transport: text('transport')});
    }
    if (Date.now() > deadline) return reject(new Error('unfinished: ' + document.body.innerText));
    setTimeout(poll, 20);
  })();
}))";

// What the page should show for its hash of "中文 abc" with SM3, worked out
// by calling the core directly.
struct Expected {
  std::string hash;
  std::string lastError;
};

Expected ExpectedHash() {
  ZT_HANDLE handle = nullptr;
  EXPECT_EQ(ZT_Initialize("soft_file", 3, "", &handle), 0);
  char out[512];
  uint32_t len = sizeof out;
  const int32_t rc = ZT_HashData(handle, "\xE4\xB8\xAD\xE6\x96\x87 abc", 6, out, &len);
  const std::string result(out, rc == 0 ? len : 0);
  char message[1024];
  uint32_t messageLen = sizeof message;
  ZT_GetLastErrorMsg(handle, message, &messageLen);
  const std::string text(message, messageLen);
  ZT_UnInitialize(handle);
  const std::string code = std::to_string(rc);
  return {rc == 0 ? result : "error " + code + ": " + text, code + ": " + text};
}

// Failures as the page client reports them: a core failure with the
// service's message, the device query, and a request the service does not
// understand.
constexpr const char* kFailures = R"((async () => {
  const client = new Orvane.Client({port: Number(new URLSearchParams(location.search).get('port')),
                                    transport: new URLSearchParams(location.search).get('transport')});
  const outcome = p => p.then(v => ({value: v}), e => ({code: e.code, text: e.text, isError: e instanceof Orvane.OrvaneError}));
  // Without WebSocket the client falls back to HTTP on its own.
  const saved = window.WebSocket;
  window.WebSocket = undefined;
  const fallback = new Orvane.Client({port: client.port});
  const fallbackVersion = await outcome(fallback.getVersion());
  window.WebSocket = saved;
  return {
    fallback: {version: fallbackVersion, transport: fallback.lastTransport()},
    badAlgorithm: await outcome(client.hashData('abc', 77)),
    deviceStatus: await outcome(client.getDeviceStatus()),
    unknown: await outcome(client.call(7777)),
  };
})())";

// The code and message the core gives for hashing with algorithm 77.
std::pair<int, std::string> ExpectedBadAlgorithm() {
  ZT_HANDLE handle = nullptr;
  EXPECT_EQ(ZT_Initialize("soft_file", 3, "", &handle), 0);
  char out[512];
  uint32_t len = sizeof out;
  const int32_t rc = ZT_HashData(handle, "abc", 77, out, &len);
  char message[1024];
  uint32_t messageLen = sizeof message;
  ZT_GetLastErrorMsg(handle, message, &messageLen);
  ZT_UnInitialize(handle);
  return {rc, std::string(message, messageLen)};
}

class BrowserTest : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(BrowserTest, DemoPageShowsItsResultsAndTheClientReportsFailures) {
  if (access(kChromium, X_OK) != 0) GTEST_SKIP() << "chromium is not installed (" << kChromium << ")";
  const auto& [transport, expectedTransport] = GetParam();
  ServiceProcess service;
  const std::string page = "file://" + std::filesystem::canonical(SourceDir() + "/web/demo.html").string();
  const std::string url = page + "?port=" + std::to_string(service.port()) + "&transport=" + transport;

  Browser browser(url);
  const unsigned short devtools = browser.DevToolsPort();
  ASSERT_NE(devtools, 0) << "the browser did not open its DevTools port";
  const std::string path = PageDebuggerPath(devtools, page);
  ASSERT_FALSE(path.empty()) << "the browser shows no demo page";
  // The page may still be replacing the blank document it started from; an
  // evaluation in that one ends with "Execution context was destroyed".
  json reply;
  for (int attempt = 0; attempt < 20; ++attempt) {
    reply = Evaluate(devtools, path, kReadPage);
    if (!reply.contains("error")) break;
  }
  ASSERT_TRUE(reply.contains("result") && reply["result"]["result"].contains("value")) << reply.dump();
  const json shown = reply["result"]["result"]["value"];

  const Expected expected = ExpectedHash();
  EXPECT_EQ(shown.value("version", ""), "2.1.0.0");
  EXPECT_EQ(shown.value("init", ""), "ready");
  EXPECT_EQ(shown.value("hash", ""), expected.hash);
  EXPECT_EQ(shown.value("lastError", ""), expected.lastError);
  EXPECT_EQ(shown.value("transport", ""), expectedTransport);

  const json failures = Evaluate(devtools, path, kFailures)["result"]["result"]["value"];
  const auto [badCode, badMessage] = ExpectedBadAlgorithm();
  ASSERT_NE(badCode, 0);
  EXPECT_EQ(failures["badAlgorithm"], json({{"code", badCode}, {"text", badMessage}, {"isError", true}}));
  EXPECT_EQ(failures["deviceStatus"], json({{"code", 4112}, {"text", "Uninitial error"}, {"isError", true}}));
  EXPECT_EQ(failures["fallback"], json({{"version", {{"value", "2.1.0.0"}}}, {"transport", "http"}}));
  EXPECT_EQ(failures["unknown"]["code"], nullptr);
  EXPECT_EQ(failures["unknown"]["isError"], true);
}

INSTANTIATE_TEST_SUITE_P(Transports, BrowserTest,
                         ::testing::Values(std::pair<std::string, std::string>{"auto", "websocket"},
                                           std::pair<std::string, std::string>{"http", "http"}),
                         [](const auto& info) { return info.param.first; });

}  // namespace
}  // namespace orvane::test
