// TLS 1.3 for the TCP transport, from OpenSSL (never our own). Built only when
// CMake's VOLAX_RTI_TLS is on; otherwise TlsAbsent.cpp gives the same functions
// that say so, and everything else works as plain TCP.
//
// On a connection the server first sends its Challenge in the clear; its
// `handle` says whether TLS is offered (kTlsOffered) or required. A client that
// wants TLS reads it, then sends a ClientHello (first byte 0x16, which no
// plain first request starts with); the server then answers the handshake
// and sends a fresh Challenge inside TLS.
#ifndef VOLAX_RTI_NET_TLS_H
#define VOLAX_RTI_NET_TLS_H

#include <cstddef>
#include <memory>
#include <string>

#include "Stream.h"

namespace volax {
namespace rti {
namespace net {

constexpr unsigned kTlsOffered = 1;
constexpr unsigned kTlsRequired = 2;
constexpr unsigned char kTlsHandshakeRecord = 0x16;

// Whether the first bytes a client sent start a TLS record: type 0x16,
// version 3.x, and a length high byte that is never 0. A plain frame before
// the join is under 64 kB, so its third byte is 0. -1: too few bytes to tell.
inline int startsTls(const unsigned char* p, std::size_t n) {
    if (n >= 1 && p[0] != kTlsHandshakeRecord) return 0;
    if (n >= 2 && p[1] != 0x03) return 0;
    if (n < 3) return -1;
    return p[2] != 0 ? 1 : 0;
}
// What a plain client hears from a server that accepts only TLS.
constexpr const char* kTlsOnly = "the RTI server accepts only TLS connections (VOLAX_RTI_TLS_CA)";

// Whether this build has TLS at all.
bool tlsBuilt();

// Certificates and keys of one side, loaded once; shared by its connections.
class TlsConfig {
public:
    ~TlsConfig();
    // The server's certificate chain and private key (PEM files). Null and
    // `error` when a file cannot be read, or key and certificate do not match.
    static std::shared_ptr<TlsConfig> forServer(const std::string& certFile, const std::string& keyFile,
                                                std::string& error);
    // A client that trusts the certificate authorities in `caFile` (PEM).
    static std::shared_ptr<TlsConfig> forClient(const std::string& caFile, std::string& error);

    struct Impl;
    std::unique_ptr<Impl> impl;
};

// One TLS connection over a non-blocking socket. OpenSSL's "want read/write"
// become WouldBlock, and events() says which socket event to wait for.
class TlsStream final : public Stream {
public:
    // Server side: `prefix` holds bytes already read from the socket (the start
    // of the ClientHello). Client side: `host` is checked against the
    // certificate (a name or an IP address). Throws std::runtime_error.
    TlsStream(std::shared_ptr<TlsConfig> config, int fd, bool server, const std::string& host,
              std::string prefix = std::string());
    ~TlsStream() override;

    // Advances the handshake: Data once done, WouldBlock, or Error (errorText).
    IoStatus handshake(int& err);

    IoStatus receive(int fd, void* buf, std::size_t room, std::size_t& got, int& err) override;
    IoStatus send(int fd, const void* data, std::size_t size, std::size_t& sent, int& err) override;
    bool buffered() const override;
    bool moreMayWait(bool) const override { return true; }
    short events(bool read, bool write) const override;
    std::string errorText(int err) const override;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace net
}  // namespace rti
}  // namespace volax

#endif
