// The two exports of libOrvaneWS.so.
#include <exception>
#include <string_view>

#include "bridge/OrvaneWS.h"
#include "bridge/server.h"

extern "C" {

void ZT_Start(const char* port) {
  if (port == nullptr) return;
  try {
    orvane::bridge::RunServer(port);
  } catch (const std::exception&) {
    // Nothing may cross into the host; the server has stopped.
  }
}

void ZT_Stop(void) { orvane::bridge::StopServer(); }

}  // extern "C"
