/*
 * OrvaneWS: the local HTTP/WebSocket service through which web pages use
 * npOrvane. Loaded by the host program by name.
 */
#ifndef ORVANE_ORVANEWS_H
#define ORVANE_ORVANEWS_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define ZT_WS_EXPORT __attribute__((visibility("default")))
#else
#define ZT_WS_EXPORT
#endif

/* Serves the decimal TCP port `port` ("9002") on the loopback addresses and
 * runs the server on the calling thread. Returns at once when the port text is
 * not a port or the port cannot be bound, and otherwise only after ZT_Stop. */
ZT_WS_EXPORT void ZT_Start(const char* port);

/* Ends a running ZT_Start from any thread: every connection is closed and
 * ZT_Start returns. Does nothing when no server runs. */
ZT_WS_EXPORT void ZT_Stop(void);

typedef void (*ZT_StartFn)(const char*);
typedef void (*ZT_StopFn)(void);

#ifdef __cplusplus
}
#endif

#endif /* ORVANE_ORVANEWS_H */
