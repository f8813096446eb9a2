// Containers for secrets (PINs, private keys, symmetric keys) that wipe
// their contents when they are destroyed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <openssl/crypto.h>

namespace orvane {

template <typename T>
struct WipingAllocator {
  using value_type = T;
  WipingAllocator() = default;
  template <typename U>
  WipingAllocator(const WipingAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return std::allocator<T>{}.allocate(n); }
  void deallocate(T* p, std::size_t n) noexcept {
    OPENSSL_cleanse(p, n * sizeof(T));
    std::allocator<T>{}.deallocate(p, n);
  }
  template <typename U>
  bool operator==(const WipingAllocator<U>&) const noexcept { return true; }
};

using SecretBytes = std::vector<uint8_t, WipingAllocator<uint8_t>>;

// std::basic_string keeps short texts inline, out of the allocator's reach,
// so the destructor wipes the object itself as well.
class SecretString : public std::basic_string<char, std::char_traits<char>, WipingAllocator<char>> {
 public:
  using Base = std::basic_string<char, std::char_traits<char>, WipingAllocator<char>>;
  using Base::Base;
  SecretString(const Base& s) : Base(s) {}  // NOLINT
  ~SecretString() {
    OPENSSL_cleanse(Base::data(), Base::capacity());
    Base::clear();
  }
};

}  // namespace orvane
