// The symmetric algorithms 1 to 12 behind one streaming interface: DES,
// triple DES and AES through OpenSSL, SM4 through core/crypto/sm4. Every
// algorithm pads with PKCS#7.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "core/util/status.h"

namespace orvane {

enum SymmAlg : int32_t {
  kSymmDesEcb = 1,
  kSymmDesCbc = 2,
  kSymmDes3Ecb = 3,
  kSymmDes3Cbc = 4,
  kSymmAes128Ecb = 5,
  kSymmAes128Cbc = 6,
  kSymmAes192Ecb = 7,
  kSymmAes192Cbc = 8,
  kSymmAes256Ecb = 9,
  kSymmAes256Cbc = 10,
  kSymmSm4Ecb = 11,
  kSymmSm4Cbc = 12,
};

struct SymmAlgInfo {
  int32_t alg;
  const char* openSslName;  // null for SM4, which is ours
  std::size_t keyBytes;
  std::size_t ivBytes;  // 0 for ECB
  std::size_t blockBytes;
};

// The algorithm's row, or null for a number outside 1 to 12.
const SymmAlgInfo* FindSymmAlg(int32_t alg);

// One encryption or decryption in progress.
class SymmCipher {
 public:
  virtual ~SymmCipher() = default;

  // Processes `in` and writes the output that is complete so far to `out`,
  // at most in.size() + blockBytes bytes; *written receives the count.
  // Decryption holds the last block back until Final.
  virtual bool Update(std::span<const uint8_t> in, uint8_t* out, std::size_t* written) = 0;

  // Encryption: writes the last, padded block. Decryption: checks the
  // padding and writes the last block without it. At most blockBytes bytes.
  virtual bool Final(uint8_t* out, std::size_t* written) = 0;
};

// Starts a cipher with the first keyBytes bytes of `key` and, for CBC, the
// first ivBytes bytes at `iv`. 0x1009 for an unknown algorithm, 0x1002 for a
// key shorter than the algorithm's or a missing IV, 0x2015 / 0x2016 when
// OpenSSL refuses (encryption / decryption).
Result<std::unique_ptr<SymmCipher>> NewSymmCipher(int32_t alg, bool encrypt, std::span<const uint8_t> key,
                                                  const uint8_t* iv);

}  // namespace orvane
