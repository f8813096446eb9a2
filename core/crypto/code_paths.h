// Run-time choice among the code paths of one algorithm. Internal to the
// SM3 and SM4 files.
#pragma once

#include <atomic>
#include <cstddef>

namespace orvane {

inline bool AlwaysSupported() { return true; }

// `Entry` has the members `path` (an enum) and `bool (*supported)()`; the
// table lists the paths best last. The active entry is the best supported
// one until Force picks another (tests run every path that way).
template <typename Entry, std::size_t N>
class CodePaths {
 public:
  using Path = decltype(Entry::path);

  explicit CodePaths(const Entry (&entries)[N]) : entries_(entries), active_(Best(entries)) {}

  bool Supported(Path path) const {
    const Entry* e = Find(path);
    return e != nullptr && e->supported();
  }

  const Entry& Active() const { return *active_.load(std::memory_order_relaxed); }

  // False (and no change) when the CPU lacks the path.
  bool Force(Path path) {
    const Entry* e = Find(path);
    if (e == nullptr || !e->supported()) return false;
    active_.store(e, std::memory_order_relaxed);
    return true;
  }

 private:
  static const Entry* Best(const Entry (&entries)[N]) {
    const Entry* best = &entries[0];
    for (const Entry& e : entries) {
      if (e.supported()) best = &e;
    }
    return best;
  }

  const Entry* Find(Path path) const {
    for (const Entry& e : entries_) {
      if (e.path == path) return &e;
    }
    return nullptr;
  }

  const Entry (&entries_)[N];
  std::atomic<const Entry*> active_;
};

}  // namespace orvane
