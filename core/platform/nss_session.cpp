#include "core/platform/nss_session.h"

#include <sys/stat.h>

#include <cerrno>
#include <string_view>

namespace orvane::platform {
namespace {

std::mutex& SessionMutex() {
  static std::mutex mutex;
  return mutex;
}

// Creates `path` and every missing parent with `mode`; true when it is a
// directory afterwards.
bool MakeDirectories(std::string path, mode_t mode) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const auto slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash), mode)) {
    return false;
  }
  return mkdir(path.c_str(), mode) == 0 || errno == EEXIST;
}

// A value for a quoted parameter of an NSS module spec: quotes and
// backslashes are escaped with a backslash.
std::string QuotedSpecValue(std::string_view value) {
  std::string out = "'";
  for (const char c : value) {
    if (c == '\'' || c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

}  // namespace

std::unique_ptr<NssSession> NssSession::Start() {
  std::unique_lock lock(SessionMutex());
  // No database of its own and no module database: the user's database is
  // opened as an extra slot, so the session never depends on (or changes)
  // whichever database an earlier NSS user of the process opened.
  NSSInitParameters params{};
  params.length = sizeof(params);
  NSSInitContext* context =
      NSS_InitContext("", "", "", "", &params,
                      NSS_INIT_NOCERTDB | NSS_INIT_NOMODDB | NSS_INIT_NOROOTINIT |
                          NSS_INIT_OPTIMIZESPACE);
  if (context == nullptr) return nullptr;
  return std::unique_ptr<NssSession>(new NssSession(std::move(lock), context));
}

NssSession::NssSession(std::unique_lock<std::mutex> lock, NSSInitContext* context)
    : lock_(std::move(lock)), context_(context) {}

NssSession::~NssSession() {
  database_.reset();
  NSS_ShutdownContext(context_);
}

void NssSession::DatabaseCloser::operator()(PK11SlotInfo* slot) const noexcept {
  SECMOD_CloseUserDB(slot);
  PK11_FreeSlot(slot);
}

PK11SlotInfo* NssSession::OpenDatabase(const std::string& directory) {
  if (directory.empty() || !MakeDirectories(directory, 0700)) return nullptr;
  const std::string spec = "configdir=" + QuotedSpecValue("sql:" + directory) +
                           " tokenDescription='Orvane user store'";
  std::unique_ptr<PK11SlotInfo, DatabaseCloser> slot(SECMOD_OpenUserDB(spec.c_str()));
  if (!slot || !PK11_IsPresent(slot.get())) return nullptr;
  // A new key database has no password yet; the browsers set an empty one.
  if (PK11_NeedUserInit(slot.get()) && PK11_InitPin(slot.get(), nullptr, nullptr) != SECSuccess) {
    return nullptr;
  }
  database_ = std::move(slot);
  return database_.get();
}

}  // namespace orvane::platform
