// Shared provider operations on certificates: fields, extensions, key type,
// signature verification and the key-pair test.
#include <cstring>
#include <string>

#include "core/crypto/cert_info.h"
#include "core/crypto/sm2_asn1.h"
#include "core/crypto/rsa_key.h"
#include "core/providers/hash_algorithms.h"
#include "core/providers/sec_base.h"
#include "core/providers/slot_output.h"
#include "core/util/sm2/sm2_sign.h"
#include "core/util/time_text.h"

namespace orvane {
namespace {

constexpr int32_t kFirstInfoType = 1;
constexpr int32_t kLastInfoType = 25;
constexpr int kValidityHourOffset = 8;
constexpr std::size_t kMaxPublicKeyBits = 1024;
constexpr std::string_view kKeyTestMessage = "testdata";

// Validity dates as twelve digits YYMMDDhhmmss, moved by eight hours.
std::string ValidityText(const std::string& stored) {
  std::string digits = stored;
  if (digits.size() == 15) digits = digits.substr(2);  // GeneralizedTime: drop the century
  return ConvertTimeText(digits.substr(0, 12), kValidityHourOffset);
}

std::string InfoText(const CertificateInfo& info, int32_t type) {
  if (type >= 4 && type <= 10) return info.GetIssuerAttribute(type - 3);
  if (type >= 13 && type <= 19) return info.GetSubjectAttribute(type - 12);
  switch (type) {
    case 1: return info.GetVersionText();
    case 2: return info.GetSerialHex();
    case 3: return info.GetSignatureAlgorithmText();
    case 11: return info.decoded() ? ValidityText(info.GetNotBefore()) : std::string();
    case 12: return info.decoded() ? ValidityText(info.GetNotAfter()) : std::string();
    case 20: return info.GetIssuerText();
    case 21: return info.GetSubjectText();
    case 22: return info.GetPublicKeyBits();
    case 23: return info.GetCrlUrl();
    case 24: return info.GetAuthorityKeyIdHex();
    case 25: return info.GetSubjectKeyIdHex();
    default: return {};
  }
}


int32_t KeyTypeOfPublicKeyBits(std::size_t size) {
  switch (size) {
    case 140: return kKeyRsa1024;
    case 270: return kKeyRsa2048;
    case 65: return kKeySm2;
    default: return -1;
  }
}

struct FilterKey {
  std::string_view key;
  int32_t infoType;
};

constexpr FilterKey kFilterKeys[] = {
    {"CERT_SN", 2},     {"ISSUER_C", 4},    {"ISSUER_O", 5},     {"ISSUER_OU", 6},  {"ISSUER_S", 7},
    {"ISSUER_CN", 8},   {"ISSUER_L", 9},    {"ISSUER_E", 10},    {"SUBJECT_C", 13}, {"SUBJECT_O", 14},
    {"SUBJECT_OU", 15}, {"SUBJECT_S", 16},  {"SUBJECT_CN", 17},  {"SUBJECT_L", 18}, {"SUBJECT_E", 19},
};

// The certificate text a filter key is compared with; empty for unknown keys.
std::string FilterFieldText(const CertificateInfo& info, std::string_view key) {
  for (const auto& entry : kFilterKeys) {
    if (entry.key == key) return InfoText(info, entry.infoType);
  }
  return {};
}

// 0 when `signature` (DER) is valid for `data` under the 65-byte point.
int Sm2VerifyWithPoint(std::span<const uint8_t> data, std::span<const uint8_t> signature,
                       std::span<const uint8_t> point) {
  if (point.size() != kSm2PointSize) return -1;
  std::vector<uint8_t> publicDer(std::begin(kSm2PublicKeyPrefix), std::end(kSm2PublicKeyPrefix));
  publicDer.insert(publicDer.end(), point.begin(), point.end());
  return Sm2VerifyMessage(data, signature, publicDer);
}

std::span<const uint8_t> Bytes(std::string_view s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

}  // namespace

Status CSecBase::GetCertInfo(const uint8_t* cert, uint32_t certLen, int32_t infoType, uint8_t* out,
                             uint32_t* outLen) {
  if (cert == nullptr || certLen == 0 || out == nullptr || outLen == nullptr || *outLen == 0) return err::kParam;
  if (infoType < kFirstInfoType || infoType > kLastInfoType) return err::kUnsupported;
  const CertificateInfo info({cert, certLen});
  return CopyToSlot(InfoText(info, infoType), out, outLen);
}

Status CSecBase::GetCertInfoByOid(const uint8_t* cert, uint32_t certLen, const char* oid, uint8_t* out,
                                  uint32_t* outLen) {
  if (cert == nullptr || certLen == 0 || outLen == nullptr || oid == nullptr || *oid == '\0') return err::kParam;
  if (out == nullptr) return err::kParam;
  const CertificateInfo info({cert, certLen});
  const std::string_view id(oid);
  const std::string value = id.find(kShecaSubExtensionPrefix) != std::string_view::npos
                                ? info.GetShecaExtensionValue(id)
                                : info.GetExtensionValue(id);
  if (value.empty()) return err::kParseCert;
  return CopyToSlot(value, out, outLen);
}

int32_t CSecBase::GetCertKeyType(const uint8_t* cert, uint32_t certLen) {
  if (cert == nullptr || certLen == 0) return -1;
  return KeyTypeOfPublicKeyBits(CertificateInfo({cert, certLen}).GetPublicKeyBits().size());
}

Status CSecBase::VerifySignData(int32_t hashAlg, const uint8_t* data, uint32_t dataLen, const uint8_t* sig,
                                uint32_t sigLen, const uint8_t* cert, uint32_t certLen) {
  if (data == nullptr || dataLen == 0 || sig == nullptr || sigLen == 0 || cert == nullptr || certLen == 0) {
    return err::kParam;
  }
  if (keyType_ == kKeyUnset) keyType_ = GetCertKeyType(cert, certLen);
  const CertificateInfo info({cert, certLen});
  if (!info.decoded()) return err::kX509;
  // The certificate's own key decides how its signature is checked.
  const int32_t certKeyType = KeyTypeOfPublicKeyBits(info.GetPublicKeyBits().size());
  const int32_t keyType = certKeyType > 0 ? certKeyType : keyType_;
  if (keyType < kKeyRsa1024 || keyType > kKeySm2) return err::kUnsupported;
  if (keyType == kKeySm2) {
    const std::string point = info.GetPublicKeyBits();
    if (point.empty() || point.size() >= kMaxPublicKeyBits) return err::kReadPublicKey;
    return Sm2VerifyWithPoint({data, dataLen}, {sig, sigLen}, Bytes(point)) == 0 ? err::kOk : err::kVerifySign;
  }
  EVP_PKEY* key = X509_get0_pubkey(info.get0());
  if (key == nullptr) return err::kReadPublicKey;
  if (hashAlg == 0) hashAlg = kHashSha1;
  if (hashAlg < kHashSha1 || hashAlg > kHashMd4) return err::kUnsupportedAlg;
  const auto md = FetchDigest(hashAlg);
  if (!md) return err::kVerifySign;
  return RsaVerify(key, md.get(), {data, dataLen}, {sig, sigLen}) ? err::kOk : err::kVerifySign;
}

Status CSecBase::TestKeyPair(const uint8_t* key, uint32_t keyLen, const uint8_t* cert, uint32_t certLen) {
  if (keyType_ < kKeyRsa1024 || keyType_ > kKeySm2) return err::kUnsupported;
  if (key == nullptr || keyLen == 0) return err::kParam;
  const auto message = Bytes(kKeyTestMessage);
  if (keyType_ == kKeySm2) {
    std::vector<uint8_t> signature;
    if (Sm2SignMessage(message, {key, keyLen}, &signature) != 0) return err::kSignData;
    const Status verified =
        VerifySignData(kHashSm3, message.data(), uint32_t(message.size()), signature.data(),
                       uint32_t(signature.size()), cert, certLen);
    return verified == err::kOk ? err::kOk : err::kVerifySign;
  }
  const auto privateKey = LoadRsaPrivateKey({key, keyLen});
  if (!privateKey) return err::kPrivateKey;
  const auto md = FetchDigest(kHashSha1);
  auto signature = RsaSign(privateKey.get(), md.get(), message);
  if (!signature.ok()) return err::kSignData;
  return VerifySignData(kHashSha1, message.data(), uint32_t(message.size()), signature->data(),
                        uint32_t(signature->size()), cert, certLen);
}

Status CSecBase::AsymmEncrypt(const uint8_t* cert, uint32_t certLen, const uint8_t* in, uint32_t inLen, uint8_t* out,
                              uint32_t* outLen) {
  if (cert == nullptr || certLen == 0 || in == nullptr || inLen == 0 || out == nullptr || outLen == nullptr) {
    return err::kParam;
  }
  const CertificateInfo info({cert, certLen});
  if (!info.decoded()) return err::kX509;
  EVP_PKEY* key = X509_get0_pubkey(info.get0());
  if (key == nullptr) return err::kReadPublicKey;
  if (EVP_PKEY_get_base_id(key) != EVP_PKEY_RSA) return err::kAsymmEncrypt;
  auto cipher = RsaEncrypt(key, {in, inLen});
  if (!cipher.ok()) return cipher.status();
  if (cipher->size() > *outLen) return err::kBufferTooSmall;
  std::memcpy(out, cipher->data(), cipher->size());
  *outLen = static_cast<uint32_t>(cipher->size());
  return err::kOk;
}

bool CSecBase::MatchCertFilter(const uint8_t* cert, uint32_t certLen) const {
  if (filterMap_.empty()) return true;
  const CertificateInfo info({cert, certLen});
  for (const auto& [key, value] : filterMap_) {
    if (FilterFieldText(info, key) != value) return false;
  }
  return true;
}

}  // namespace orvane
