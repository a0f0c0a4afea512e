#include "Crypto.h"

#include <windows.h>
#include <bcrypt.h>
#include <stdexcept>

namespace volax {
namespace rti {
namespace net {

namespace {
bool ok(NTSTATUS s) { return s >= 0; }

struct Alg {
    BCRYPT_ALG_HANDLE h = nullptr;
    ~Alg() {
        if (h) BCryptCloseAlgorithmProvider(h, 0);
    }
};
struct Hash {
    BCRYPT_HASH_HANDLE h = nullptr;
    ~Hash() {
        if (h) BCryptDestroyHash(h);
    }
};
}  // namespace

std::string randomBytes(std::size_t n) {
    std::string out(n, '\0');
    if (n && !ok(BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&out[0]), static_cast<ULONG>(n),
                                 BCRYPT_USE_SYSTEM_PREFERRED_RNG)))
        throw std::runtime_error("no random bytes for a nonce");
    return out;
}

std::string hmacSha256(const std::string& key, const std::string& data) {
    Alg alg;
    Hash hash;
    unsigned char out[32];
    // CNG wants non-const buffers; it does not write to them.
    std::string k = key, d = data;
    if (!ok(BCryptOpenAlgorithmProvider(&alg.h, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG)) ||
        !ok(BCryptCreateHash(alg.h, &hash.h, nullptr, 0, reinterpret_cast<PUCHAR>(&k[0]),
                             static_cast<ULONG>(k.size()), 0)) ||
        !ok(BCryptHashData(hash.h, reinterpret_cast<PUCHAR>(&d[0]), static_cast<ULONG>(d.size()), 0)) ||
        !ok(BCryptFinishHash(hash.h, out, sizeof out, 0)))
        throw std::runtime_error("HMAC-SHA256 failed");
    return std::string(reinterpret_cast<const char*>(out), sizeof out);
}

bool sameConstantTime(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    volatile unsigned char diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i) diff = diff | (a[i] ^ b[i]);
    return diff == 0;
}

}  // namespace net
}  // namespace rti
}  // namespace volax
