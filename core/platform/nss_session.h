// NSS for the length of one certificate-store operation, and the database of
// the user's certificates and keys.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "core/platform/nss_ptr.h"

namespace orvane::platform {

// While alive, NSS is initialised for this module through its own init
// context, so that other NSS users of the process keep theirs, and no other
// certificate-store operation of the process runs. Every NSS object made
// during the session must be released before the session ends.
class NssSession {
 public:
  // nullptr when NSS cannot be initialised.
  static std::unique_ptr<NssSession> Start();

  ~NssSession();
  NssSession(const NssSession&) = delete;
  NssSession& operator=(const NssSession&) = delete;

  // Opens the database in `directory` (the sql: format: cert9.db, key4.db).
  // A missing directory is created with mode 0700 and a missing database
  // with an empty password, as the browsers create theirs. Lends the slot,
  // valid until the session ends; nullptr when it cannot be opened.
  PK11SlotInfo* OpenDatabase(const std::string& directory);

 private:
  struct DatabaseCloser {
    void operator()(PK11SlotInfo* slot) const noexcept;
  };

  NssSession(std::unique_lock<std::mutex> lock, NSSInitContext* context);

  std::unique_lock<std::mutex> lock_;
  NSSInitContext* context_;
  std::unique_ptr<PK11SlotInfo, DatabaseCloser> database_;
};

}  // namespace orvane::platform
