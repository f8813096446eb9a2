// The server's life: one io_context, run by the thread that starts it.
#pragma once

#include <optional>
#include <string_view>

namespace orvane::bridge {

// The TCP port a port text names: decimal digits only, 1 to 65535.
std::optional<unsigned short> ParsePort(std::string_view text);

// Listens on the loopback addresses and serves until StopServer. Returns at
// once when the text names no port, the port cannot be bound, or a server
// already runs in this process.
void RunServer(std::string_view port);

// Makes a running RunServer return; callable from any thread.
void StopServer();

}  // namespace orvane::bridge
