// Owning pointers for NSS objects: NssPtr<T> releases with T's own function,
// declared once here. Only the certificate-store code in this folder includes
// NSS headers; nothing outside core/platform sees these types.
#pragma once

#include <memory>

#include <cert.h>
#include <nss.h>
#include <p12.h>
#include <pk11pub.h>
#include <secport.h>

namespace orvane::platform {

template <typename T>
struct NssDeleter;

#define ORVANE_NSS_DELETER(type, expr)                 \
  template <>                                          \
  struct NssDeleter<type> {                            \
    void operator()(type* p) const noexcept { expr; } \
  }

ORVANE_NSS_DELETER(CERTCertificate, CERT_DestroyCertificate(p));
ORVANE_NSS_DELETER(PK11SlotInfo, PK11_FreeSlot(p));
ORVANE_NSS_DELETER(SEC_PKCS12DecoderContext, SEC_PKCS12DecoderFinish(p));
// Strings that NSS hands over (PORT_Alloc'd), such as made-up nicknames.
ORVANE_NSS_DELETER(char, PORT_Free(p));

#undef ORVANE_NSS_DELETER

template <typename T>
using NssPtr = std::unique_ptr<T, NssDeleter<T>>;

}  // namespace orvane::platform
