#include "Auth.h"

#include "Crypto.h"

#include <fstream>
#include <iterator>

namespace volax {
namespace rti {
namespace net {

namespace {
// Binds the proof to this protocol, so it is worth nothing elsewhere.
constexpr char kContext[] = "volax-rti-key-v1:";
}  // namespace

std::string readKeyFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read key file \"" + path + "\"";
        return std::string();
    }
    std::string key((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const char* space = " \t\r\n";
    std::size_t first = key.find_first_not_of(space);
    std::size_t last = key.find_last_not_of(space);
    key = first == std::string::npos ? std::string() : key.substr(first, last - first + 1);
    if (key.size() < kMinKeyBytes) {
        error = "key file \"" + path + "\" holds fewer than " + std::to_string(kMinKeyBytes) + " bytes";
        return std::string();
    }
    return key;
}

std::string makeNonce() { return randomBytes(kNonceBytes); }

std::string keyProof(const std::string& key, const std::string& nonce) {
    return hmacSha256(key, kContext + nonce);
}

bool proofMatches(const std::string& key, const std::string& nonce, const std::string& proof) {
    return sameConstantTime(proof, keyProof(key, nonce));
}

}  // namespace net
}  // namespace rti
}  // namespace volax
