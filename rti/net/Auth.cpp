#include "Auth.h"

#include <fstream>
#include <iterator>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>
#include <stdexcept>

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

std::string makeNonce() {
    std::string nonce(kNonceBytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(&nonce[0]), static_cast<int>(nonce.size())) != 1)
        throw std::runtime_error("no random bytes for a nonce");
    return nonce;
}

std::string keyProof(const std::string& key, const std::string& nonce) {
    std::string data = kContext + nonce;
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (!HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
              reinterpret_cast<const unsigned char*>(data.data()), data.size(), out, &len))
        throw std::runtime_error("HMAC-SHA256 failed");
    return std::string(reinterpret_cast<const char*>(out), len);
}

bool proofMatches(const std::string& key, const std::string& nonce, const std::string& proof) {
    std::string want = keyProof(key, nonce);
    return proof.size() == want.size() && CRYPTO_memcmp(proof.data(), want.data(), want.size()) == 0;
}

}  // namespace net
}  // namespace rti
}  // namespace volax
