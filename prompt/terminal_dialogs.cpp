#include "prompt/terminal_dialogs.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "prompt/answer.h"
#include "prompt/trace.h"

namespace orvane::prompt {
namespace {

// ---- The terminal ---------------------------------------------------------------

// Saved for the signal handler, which puts the terminal back before the
// program ends on SIGTERM or SIGHUP.
int g_ttyFd = -1;
termios g_savedMode{};

void RestoreAndExit(int) {
  tcsetattr(g_ttyFd, TCSAFLUSH, &g_savedMode);
  _exit(1);
}

// Texts come from the request, row texts from certificates: control
// characters (C0, DEL and the two-byte UTF-8 forms of C1) would let them
// move the cursor or rewrite the screen, so they are shown as "?".
std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    const bool c1 = b == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[i + 1]) <= 0x9F;
    if (c1) ++i;
    out.push_back(b < 0x20 || b == 0x7F || c1 ? '?' : text[i]);
  }
  return out;
}

constexpr char kCtrlC = 0x03, kCtrlD = 0x04, kCtrlU = 0x15, kBackspace = 0x08, kDelete = 0x7f;
constexpr std::size_t kMaxLineBytes = 4096;

// /dev/tty in character-at-a-time mode without echo or signal keys; the
// previous mode comes back when the object goes away.
class Terminal {
 public:
  static std::optional<Terminal> Open() {
    const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    // Only the terminal's foreground job may use it: a background job would
    // be stopped at its first read and leave the caller waiting for ever.
    termios mode{};
    if (tcgetpgrp(fd) != getpgrp() || tcgetattr(fd, &mode) != 0) {
      close(fd);
      return std::nullopt;
    }
    return Terminal(fd, mode);
  }
  Terminal(Terminal&& other) noexcept : fd_(other.fd_), saved_(other.saved_) { other.fd_ = -1; }
  Terminal& operator=(Terminal&&) = delete;
  ~Terminal() {
    if (fd_ < 0) return;
    tcsetattr(fd_, TCSAFLUSH, &saved_);
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    close(fd_);
  }

  bool Raw() {
    g_ttyFd = fd_;
    g_savedMode = saved_;
    signal(SIGTERM, RestoreAndExit);
    signal(SIGHUP, RestoreAndExit);
    termios raw = saved_;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    return tcsetattr(fd_, TCSAFLUSH, &raw) == 0;
  }

  void Write(std::string_view text) const { WriteAll(fd_, text); }
  // A text of the request on a line of its own.
  void Line(std::string_view text) const {
    Write(Printable(text));
    Write("\r\n");
  }

  // One line, edited with Backspace and Ctrl-U; echoed only when `echo`.
  // nullopt on Ctrl-C, Ctrl-D or a read failure.
  std::optional<SecretString> ReadLine(std::string_view prompt, bool echo) const {
    Write(Printable(prompt));
    SecretString line;
    line.reserve(kMaxLineBytes);
    while (true) {
      char c;
      const ssize_t n = read(fd_, &c, 1);
      if (n <= 0 || c == kCtrlC || c == kCtrlD) {
        Write("\r\n");
        return std::nullopt;
      }
      if (c == '\r' || c == '\n') {
        Write("\r\n");
        return line;
      }
      if (c == kBackspace || c == kDelete) {
        const std::size_t before = line.size();
        while (!line.empty() && (static_cast<unsigned char>(line.back()) & 0xC0) == 0x80) line.pop_back();
        if (!line.empty()) line.pop_back();
        if (echo && line.size() != before) Write("\b \b");
      } else if (c == kCtrlU) {
        if (echo) Write(std::string(Utf8Chars(line), '\b') + "\x1b[K");
        line.clear();
      } else if (static_cast<unsigned char>(c) >= 0x20 && line.size() < kMaxLineBytes) {
        line.push_back(c);
        if (echo) Write(std::string_view(&c, 1));
      }
    }
  }

 private:
  Terminal(int fd, const termios& saved) : fd_(fd), saved_(saved) {}
  int fd_;
  termios saved_;
};

void ShowMessage(const Terminal& tty, const ValidationTexts& texts, Message message) {
  tty.Line(texts.caption + ": " + texts.Text(message));
  TraceMessage(texts.Text(message));
}

// ---- The dialogs -----------------------------------------------------------------

std::optional<SecretString> AskPin(const Terminal& tty, const PinRequest& r) {
  tty.Line(r.title);
  tty.Line(r.hint);
  while (true) {
    auto pin = tty.ReadLine(r.label + " ", false);
    if (!pin) return std::nullopt;
    if (Verdict v = CheckPinEntry(*pin, {}, false); !v.accepted()) {
      ShowMessage(tty, r.messages, v.message);
      continue;
    }
    if (!r.newPin) return PinAnswer(*pin);
    while (true) {
      auto confirmation = tty.ReadLine(r.confirmLabel + " ", false);
      if (!confirmation) return std::nullopt;
      const Verdict v = CheckPinEntry(*pin, *confirmation, true);
      if (v.accepted()) return PinAnswer(*pin);
      ShowMessage(tty, r.messages, v.message);
      if (v.focus == Field::kPin) break;  // mismatch: both again
    }
  }
}

std::optional<SecretString> AskPinField(const Terminal& tty, const std::string& label, const ValidationTexts& texts,
                                        Message whenEmpty) {
  while (true) {
    auto text = tty.ReadLine(label + " ", false);
    if (!text) return std::nullopt;
    const Message m = CheckLength(*text, whenEmpty, kMaxChangePinChars);
    if (m == Message::kNone) return text;
    ShowMessage(tty, texts, m);
  }
}

std::optional<SecretString> AskPinChange(const Terminal& tty, const ChangePinRequest& r) {
  tty.Line(r.title);
  auto oldPin = AskPinField(tty, r.oldLabel, r.messages, Message::kEmpty);
  if (!oldPin) return std::nullopt;
  while (true) {
    auto newPin = AskPinField(tty, r.newLabel, r.messages, Message::kEmpty);
    if (!newPin) return std::nullopt;
    auto confirmation = AskPinField(tty, r.confirmLabel, r.messages, Message::kEmptyConfirm);
    if (!confirmation) return std::nullopt;
    const Verdict v = CheckPinChange(*oldPin, *newPin, *confirmation);
    if (v.accepted()) return ChangePinAnswer(*oldPin, *newPin);
    ShowMessage(tty, r.messages, v.message);
  }
}

std::string JoinRow(const std::vector<std::string>& texts) {
  std::string line;
  for (std::size_t i = 0; i < texts.size(); ++i) line += (i ? " | " : "") + texts[i];
  return line;
}

std::optional<SecretString> AskChoice(const Terminal& tty, const SelectRequest& r) {
  tty.Line(r.caption);
  tty.Line(r.text);
  if (r.rows.empty()) return std::nullopt;
  tty.Line("    " + JoinRow(r.columns));
  for (std::size_t i = 0; i < r.rows.size(); ++i) tty.Line(std::to_string(i + 1) + ") " + JoinRow(r.rows[i]));
  const std::string prompt = "[1-" + std::to_string(r.rows.size()) + "] Enter = " + r.ok + " (1), Ctrl-C = " + r.cancel + ": ";
  while (true) {
    auto line = tty.ReadLine(prompt, true);
    if (!line) return std::nullopt;
    if (line->empty()) return IndexAnswer(0);
    char* end = nullptr;
    const long choice = std::strtol(line->c_str(), &end, 10);
    if (*end == '\0' && choice >= 1 && static_cast<std::size_t>(choice) <= r.rows.size()) {
      return IndexAnswer(static_cast<int>(choice - 1));
    }
  }
}

}  // namespace

std::optional<SecretString> RunTerminalDialog(const Request& request) {
  auto tty = Terminal::Open();
  if (!tty || !tty->Raw()) return std::nullopt;
  tty->Write("\r\n");
  if (const auto* pin = std::get_if<PinRequest>(&request)) return AskPin(*tty, *pin);
  if (const auto* change = std::get_if<ChangePinRequest>(&request)) return AskPinChange(*tty, *change);
  return AskChoice(*tty, std::get<SelectRequest>(request));
}

}  // namespace orvane::prompt
