// The federation key: a shared secret that a federate proves it knows by
// answering the server's fresh nonce with HMAC-SHA256 (OpenSSL's, never our own).
#ifndef VOLAX_RTI_NET_AUTH_H
#define VOLAX_RTI_NET_AUTH_H

#include <cstddef>
#include <string>

namespace volax {
namespace rti {
namespace net {

constexpr std::size_t kNonceBytes = 32;
constexpr std::size_t kMinKeyBytes = 16;
// What a federate hears when the server does not let it in.
constexpr const char* kKeyRefused = "the RTI server refused the federation key";

// The key from a file (surrounding whitespace removed). Empty + `error` when the
// file cannot be read or holds fewer than kMinKeyBytes.
std::string readKeyFile(const std::string& path, std::string& error);

// kNonceBytes from the system's random source; throws std::runtime_error if it fails.
std::string makeNonce();

// The answer to `nonce` under `key` (32 raw bytes).
std::string keyProof(const std::string& key, const std::string& nonce);

// Constant-time comparison of `proof` with the expected answer.
bool proofMatches(const std::string& key, const std::string& nonce, const std::string& proof);

}  // namespace net
}  // namespace rti
}  // namespace volax

#endif
