// What one client may cost the service.
#pragma once

#include <chrono>
#include <cstddef>

namespace orvane::bridge {

// Largest request body or WebSocket message; larger ones close the connection.
inline constexpr std::size_t kMaxRequestBytes = 1024 * 1024;

// Connections held at once; further ones are closed as soon as accepted.
inline constexpr int kMaxConnections = 256;

// An HTTP request (or the next one on a kept-alive connection) and a
// WebSocket handshake must arrive within this time.
inline constexpr std::chrono::seconds kRequestTimeout{30};

}  // namespace orvane::bridge
