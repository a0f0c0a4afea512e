// The platform's cryptography, one file per platform: OpenSSL where it is the
// system's library, Windows' own CNG (bcrypt.dll) on Windows. Never our own.
#ifndef VOLAX_RTI_NET_CRYPTO_H
#define VOLAX_RTI_NET_CRYPTO_H

#include <cstddef>
#include <string>

namespace volax {
namespace rti {
namespace net {

// `n` bytes from the system's random source; throws std::runtime_error if it fails.
std::string randomBytes(std::size_t n);
// HMAC-SHA256 of `data` under `key` (32 raw bytes); throws std::runtime_error if it fails.
std::string hmacSha256(const std::string& key, const std::string& data);
// Equality of two strings in a time that depends only on their sizes.
bool sameConstantTime(const std::string& a, const std::string& b);

}  // namespace net
}  // namespace rti
}  // namespace volax

#endif
