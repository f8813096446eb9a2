// Status codes shared by the whole library.
//
// Codes are 32-bit signed integers, 0 for success. Their hexadecimal digits
// count like decimal numbers (0x1009 is followed by 0x1010). The messages
// that go with them live in core/resources/messages.
#pragma once

#include <cstdint>
#include <optional>
#include <utility>

namespace orvane {

using Status = int32_t;

namespace err {
// General: arguments, memory, files, Base64, initialisation.
inline constexpr Status kOk = 0;
inline constexpr Status kUnknown = 0x1001;
inline constexpr Status kParam = 0x1002;
inline constexpr Status kUnsupported = 0x1003;
inline constexpr Status kMemory = 0x1004;
inline constexpr Status kBase64Encode = 0x1005;
inline constexpr Status kBase64Decode = 0x1006;
inline constexpr Status kReadFile = 0x1007;
inline constexpr Status kWriteFile = 0x1008;
inline constexpr Status kUnsupportedAlg = 0x1009;
inline constexpr Status kUninitialized = 0x1010;
inline constexpr Status kProvider = 0x1011;
inline constexpr Status kCancel = 0x1012;
inline constexpr Status kBufferTooSmall = 0x1013;
inline constexpr Status kUnrealized = 0x1014;
// Devices, containers and cryptographic service providers.
inline constexpr Status kCsp = 0x1100;
inline constexpr Status kAcquireContext = 0x1101;
inline constexpr Status kGetUserKey = 0x1102;
inline constexpr Status kNoKeyFound = 0x1104;
inline constexpr Status kConnectDevice = 0x1106;
inline constexpr Status kEnumApp = 0x1107;
inline constexpr Status kOpenApp = 0x1108;
inline constexpr Status kOpenContainer = 0x1109;
inline constexpr Status kEnumContainer = 0x1110;
inline constexpr Status kCreateContainer = 0x1111;
inline constexpr Status kOpenAppAlt = 0x1112;
inline constexpr Status kDeviceNotInit = 0x1113;
// Certificates, PKCS#7/PKCS#12, keys, hashes, signatures, ciphers, PINs.
inline constexpr Status kDecodeP7 = 0x2001;
inline constexpr Status kP7Type = 0x2002;
inline constexpr Status kNoCertInP7 = 0x2003;
inline constexpr Status kX509 = 0x2004;
inline constexpr Status kReadPublicKey = 0x2005;
inline constexpr Status kDecodeP12 = 0x2006;
inline constexpr Status kP12Pin = 0x2007;
inline constexpr Status kCreateP12 = 0x2008;
inline constexpr Status kRandomLength = 0x2009;
inline constexpr Status kGenRandom = 0x2010;
inline constexpr Status kHashData = 0x2011;
inline constexpr Status kHashFile = 0x2012;
inline constexpr Status kCreateHash = 0x2013;
inline constexpr Status kParseCert = 0x2014;
inline constexpr Status kSymmEncrypt = 0x2015;
inline constexpr Status kSymmDecrypt = 0x2016;
inline constexpr Status kSignData = 0x2017;
inline constexpr Status kSignHash = 0x2018;
inline constexpr Status kVerifySign = 0x2019;
inline constexpr Status kAsymmEncrypt = 0x2020;
inline constexpr Status kAsymmDecrypt = 0x2021;
inline constexpr Status kGenKeyPair = 0x2022;
inline constexpr Status kImportKeyPair = 0x2023;
inline constexpr Status kExportPublicKey = 0x2024;
inline constexpr Status kReadCert = 0x2025;
inline constexpr Status kSaveCert = 0x2026;
inline constexpr Status kSaveKeyPair = 0x2027;
inline constexpr Status kReadKeyPair = 0x2028;
inline constexpr Status kPrivateKey = 0x2029;
inline constexpr Status kPublicKey = 0x2030;
inline constexpr Status kCancelPin = 0x2031;
inline constexpr Status kDeviceLocked = 0x2032;
inline constexpr Status kUnsupportedCertType = 0x2033;
inline constexpr Status kCreateReq = 0x2034;
inline constexpr Status kDnFormat = 0x2035;
inline constexpr Status kDelete = 0x2036;
inline constexpr Status kSignValue = 0x2038;
inline constexpr Status kExportSessionKey = 0x2039;
inline constexpr Status kImportSessionKey = 0x2040;
inline constexpr Status kCertNotMatch = 0x2041;
inline constexpr Status kP7Sign = 0x2043;
// Device authentication.
inline constexpr Status kKeyAuth = 0x3001;
}  // namespace err

// A value or the status that explains its absence.
template <typename T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design
  Result(Status status) : status_(status) {}     // NOLINT: implicit by design

  bool ok() const { return status_ == err::kOk; }
  Status status() const { return status_; }
  T& value() { return *value_; }
  const T& value() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }

 private:
  std::optional<T> value_;
  Status status_ = err::kOk;
};

}  // namespace orvane
