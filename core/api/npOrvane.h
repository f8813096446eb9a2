/*
 * npOrvane: certificate and cryptography services.
 *
 * Conventions shared by every function:
 *  - The result is 0 on success, otherwise a status code (0x1002 "Parameter
 *    error", 0x1010 "Uninitial error", 0x1013 "Buf not enough error", ...).
 *  - Texts are zero-terminated byte strings in the narrow character set of
 *    the user's locale. Binary values (keys, certificates, requests,
 *    signatures, envelopes, ciphertext) cross this interface as Base64 text.
 *  - A text result is written into the caller's buffer `out` whose capacity
 *    is passed in `*outLen`. On success exactly the text's bytes are copied,
 *    without a terminating zero, and `*outLen` becomes their count. When the
 *    text does not fit, 0x1013 is returned and neither `out` nor `*outLen` is
 *    touched. On any other failure both stay untouched as well.
 *  - A handle comes from ZT_Initialize and lives until ZT_UnInitialize. One
 *    handle must not be used by two threads at the same time.
 */
#ifndef ORVANE_NPORVANE_H
#define ORVANE_NPORVANE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define ZT_EXPORT __attribute__((visibility("default")))
#else
#define ZT_EXPORT
#endif

typedef void* ZT_HANDLE;

/* Version and life cycle */
ZT_EXPORT int32_t ZT_GetVersion(char* out, uint32_t* outLen);
ZT_EXPORT int32_t ZT_Initialize(const char* prov, int32_t keyType, const char* path, ZT_HANDLE* handleOut);
ZT_EXPORT int32_t ZT_UnInitialize(ZT_HANDLE handle);

/* Provider parameters. ZT_GetParam writes a zero-terminated text; give it at
 * least 1024 bytes. */
ZT_EXPORT int32_t ZT_SetParam(ZT_HANDLE handle, const char* name, const char* value);
ZT_EXPORT int32_t ZT_GetParam(ZT_HANDLE handle, const char* name, char* out);

/* Keys, requests and certificates */
ZT_EXPORT int32_t ZT_GenKeyPair(ZT_HANDLE handle, char* out, uint32_t* outLen);
ZT_EXPORT int32_t ZT_MakeP10(ZT_HANDLE handle, const char* dn, int32_t hashAlg, char* out, uint32_t* outLen);
ZT_EXPORT int32_t ZT_SaveCert(ZT_HANDLE handle, const char* signCert, const char* encCert, const char* encKey);
ZT_EXPORT int32_t ZT_SaveCertChain(ZT_HANDLE handle, const char* certChain);
ZT_EXPORT int32_t ZT_GetCert(ZT_HANDLE handle, int32_t certType, char* out, uint32_t* outLen);
ZT_EXPORT int32_t ZT_GetCertInfo(ZT_HANDLE handle, const char* cert, int32_t infoType, char* out, uint32_t* outLen);
ZT_EXPORT int32_t ZT_GetCertInfoByOid(ZT_HANDLE handle, const char* cert, const char* oid, char* out,
                                      uint32_t* outLen);
ZT_EXPORT int32_t ZT_ImportP12Cert(ZT_HANDLE handle, int32_t certType, const char* p12, const char* pin);
ZT_EXPORT int32_t ZT_RemoveCert(ZT_HANDLE handle);

/* Random numbers and digests */
ZT_EXPORT int32_t ZT_GenRandom(ZT_HANDLE handle, int32_t len, char* out, uint32_t* outLen);
ZT_EXPORT int32_t ZT_HashData(ZT_HANDLE handle, const char* data, int32_t hashAlg, char* out, uint32_t* outLen);
ZT_EXPORT int32_t ZT_HashFile(ZT_HANDLE handle, const char* file, int32_t hashAlg, char* out, uint32_t* outLen);

/* Signatures */
ZT_EXPORT int32_t ZT_SignData(ZT_HANDLE handle, const char* data, int32_t hashAlg, char* out, uint32_t* outLen);
ZT_EXPORT int32_t ZT_VerifySignData(ZT_HANDLE handle, const char* data, const char* sig, const char* cert,
                                    int32_t hashAlg);
ZT_EXPORT int32_t ZT_VerifyP7SignData(ZT_HANDLE handle, const char* p7);

/* Symmetric encryption and envelopes */
ZT_EXPORT int32_t ZT_SymmEncrypt(ZT_HANDLE handle, const char* data, const char* key, int32_t symmAlg, char* out,
                                 uint32_t* outLen);
ZT_EXPORT int32_t ZT_SymmDecrypt(ZT_HANDLE handle, const char* data, const char* key, int32_t symmAlg, char* out,
                                 uint32_t* outLen);
ZT_EXPORT int32_t ZT_SymmEncryptFile(ZT_HANDLE handle, const char* inFile, const char* outFile, const char* key,
                                     int32_t symmAlg);
ZT_EXPORT int32_t ZT_SymmDecryptFile(ZT_HANDLE handle, const char* inFile, const char* outFile, const char* key,
                                     int32_t symmAlg);
ZT_EXPORT int32_t ZT_MakeEnvelope(ZT_HANDLE handle, const char* data, const char* cert, char* out, uint32_t* outLen);
ZT_EXPORT int32_t ZT_OpenEnvelope(ZT_HANDLE handle, const char* envelope, char* out, uint32_t* outLen);

/* PINs */
ZT_EXPORT int32_t ZT_VerifyPin(ZT_HANDLE handle, const char* pin);
ZT_EXPORT int32_t ZT_ModifyPin(ZT_HANDLE handle, const char* oldPin, const char* newPin);
ZT_EXPORT int32_t ZT_UnlockPin(ZT_HANDLE handle, const char* adminPin, const char* userPin);

/* Electronic seals */
ZT_EXPORT int32_t ZT_GetSeal(ZT_HANDLE handle, int32_t num, char* out, uint32_t* outLen);
ZT_EXPORT int32_t ZT_GetSealItem(ZT_HANDLE handle, const char* seal, int32_t itemType, char* out, uint32_t* outLen);
ZT_EXPORT int32_t ZT_VerifySeal(ZT_HANDLE handle, const char* seal);

/* The outcome of the most recent operation on a handle. ZT_GetLastErrorCode
 * returns the stored code itself (0x1010 for a null handle). */
ZT_EXPORT int32_t ZT_GetLastErrorCode(ZT_HANDLE handle);
ZT_EXPORT int32_t ZT_GetLastErrorMsg(ZT_HANDLE handle, char* out, uint32_t* outLen);

#ifdef __cplusplus
}
#endif

#endif /* ORVANE_NPORVANE_H */
