// Loads OpenSSL's "default" and "legacy" providers once per process, so that
// DES and MD4 are available beside the modern algorithms.
#pragma once

namespace orvane {

// Safe to call from any thread and any number of times; returns true when
// both providers are loaded.
bool LoadOpenSslProviders();

}  // namespace orvane
