#include "Tls.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace volax {
namespace rti {
namespace net {

namespace {

// The oldest queued OpenSSL error as text ("certificate verify failed"); clears the queue.
std::string takeError() {
    unsigned long e = ERR_get_error();
    std::string text;
    if (e) {
        const char* r = ERR_reason_error_string(e);
        text = r ? r : "error " + std::to_string(e);
    }
    ERR_clear_error();
    return text;
}

// The socket as OpenSSL sees it: through sendSome/receiveSome, so that writes
// never raise SIGPIPE and another platform's sockets stay Socket.cpp's concern.
// The server hands over the first bytes it already read in `prefix`.
struct Link {
    int fd = -1;
    std::string prefix;
    std::size_t at = 0;
    int err = 0;
};

int linkWrite(BIO* b, const char* data, int len) {
    auto* l = static_cast<Link*>(BIO_get_data(b));
    BIO_clear_retry_flags(b);
    std::size_t sent = 0;
    IoStatus st = sendSome(l->fd, data, static_cast<std::size_t>(len), sent, l->err);
    if (st == IoStatus::Data) return static_cast<int>(sent);
    if (st == IoStatus::WouldBlock) BIO_set_retry_write(b);
    return -1;
}

int linkRead(BIO* b, char* buf, int len) {
    auto* l = static_cast<Link*>(BIO_get_data(b));
    BIO_clear_retry_flags(b);
    if (l->at < l->prefix.size()) {
        std::size_t n = std::min(l->prefix.size() - l->at, static_cast<std::size_t>(len));
        l->prefix.copy(buf, n, l->at);
        l->at += n;
        if (l->at == l->prefix.size()) std::string().swap(l->prefix);
        return static_cast<int>(n);
    }
    std::size_t got = 0;
    IoStatus st = receiveSome(l->fd, buf, static_cast<std::size_t>(len), got, l->err);
    if (st == IoStatus::Data) return static_cast<int>(got);
    if (st == IoStatus::Closed) return 0;
    if (st == IoStatus::WouldBlock) BIO_set_retry_read(b);
    return -1;
}

long linkCtrl(BIO*, int cmd, long, void*) { return cmd == BIO_CTRL_FLUSH ? 1 : 0; }

BIO_METHOD* linkMethod() {
    static BIO_METHOD* m = [] {
        BIO_METHOD* meth = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "volax socket");
        if (meth) {
            BIO_meth_set_write(meth, linkWrite);
            BIO_meth_set_read(meth, linkRead);
            BIO_meth_set_ctrl(meth, linkCtrl);
        }
        return meth;
    }();
    return m;
}

SSL_CTX* newContext(bool server) {
    SSL_CTX* ctx = SSL_CTX_new(server ? TLS_server_method() : TLS_client_method());
    if (!ctx) return nullptr;
    SSL_CTX_set_min_proto_version(ctx, TLS1_3_VERSION);
    // A peer that just closes is a closed connection, not a TLS error.
    SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // Many small records per receive call, not one call each.
    SSL_CTX_set_read_ahead(ctx, 1);
    return ctx;
}

enum class Want { None, Read, Write };

}  // namespace

bool tlsBuilt() { return true; }

struct TlsConfig::Impl {
    SSL_CTX* ctx = nullptr;
    ~Impl() { SSL_CTX_free(ctx); }
};

TlsConfig::~TlsConfig() = default;

std::shared_ptr<TlsConfig> TlsConfig::forServer(const std::string& certFile, const std::string& keyFile,
                                                std::string& error) {
    auto config = std::make_shared<TlsConfig>();
    config->impl.reset(new Impl);
    ERR_clear_error();
    SSL_CTX* ctx = config->impl->ctx = newContext(true);
    if (!ctx) {
        error = "cannot set up TLS: " + takeError();
        return nullptr;
    }
    SSL_CTX_set_num_tickets(ctx, 0);  // nobody resumes: no tickets to send
    if (SSL_CTX_use_certificate_chain_file(ctx, certFile.c_str()) != 1) {
        error = "cannot read TLS certificate \"" + certFile + "\": " + takeError();
        return nullptr;
    }
    if (SSL_CTX_use_PrivateKey_file(ctx, keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
        const std::string why = takeError();
        if (why.find("mismatch") != std::string::npos)
            error = "TLS key \"" + keyFile + "\" does not match certificate \"" + certFile + "\"";
        else
            error = "cannot read TLS key \"" + keyFile + "\": " + why;
        return nullptr;
    }
    if (SSL_CTX_check_private_key(ctx) != 1) {
        error = "TLS key \"" + keyFile + "\" does not match certificate \"" + certFile + "\": " + takeError();
        return nullptr;
    }
    return config;
}

std::shared_ptr<TlsConfig> TlsConfig::forClient(const std::string& caFile, std::string& error) {
    auto config = std::make_shared<TlsConfig>();
    config->impl.reset(new Impl);
    ERR_clear_error();
    SSL_CTX* ctx = config->impl->ctx = newContext(false);
    if (!ctx) {
        error = "cannot set up TLS: " + takeError();
        return nullptr;
    }
    if (SSL_CTX_load_verify_locations(ctx, caFile.c_str(), nullptr) != 1) {
        error = "cannot read CA certificates \"" + caFile + "\": " + takeError();
        return nullptr;
    }
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    return config;
}

struct TlsStream::Impl {
    std::shared_ptr<TlsConfig> config;
    SSL* ssl = nullptr;
    Link link;
    Want readWant = Want::None, writeWant = Want::None;
    std::string reason;
    ~Impl() { SSL_free(ssl); }

    // Maps a failed SSL call to a status; `want` remembers what it waits for.
    IoStatus fail(int ret, Want& want, int& err) {
        const int e = SSL_get_error(ssl, ret);
        switch (e) {
            case SSL_ERROR_WANT_READ: want = Want::Read; return IoStatus::WouldBlock;
            case SSL_ERROR_WANT_WRITE: want = Want::Write; return IoStatus::WouldBlock;
            case SSL_ERROR_ZERO_RETURN: return IoStatus::Closed;
            case SSL_ERROR_SYSCALL:
                if (!link.err) return IoStatus::Closed;
                err = link.err;
                ERR_clear_error();
                return IoStatus::Error;
            default: break;
        }
        reason = takeError();
        if (reason.empty()) reason = "TLS error " + std::to_string(e);
        const long verify = SSL_get_verify_result(ssl);
        if (verify != X509_V_OK) reason += std::string(" (") + X509_verify_cert_error_string(verify) + ")";
        err = EPROTO;
        return IoStatus::Error;
    }
};

TlsStream::TlsStream(std::shared_ptr<TlsConfig> config, int fd, bool server, const std::string& host,
                     std::string prefix)
    : impl_(new Impl) {
    impl_->config = std::move(config);
    impl_->link.fd = fd;
    impl_->link.prefix = std::move(prefix);
    ERR_clear_error();
    SSL* ssl = impl_->ssl = SSL_new(impl_->config->impl->ctx);
    BIO* bio = linkMethod() ? BIO_new(linkMethod()) : nullptr;
    if (!ssl || !bio) {
        BIO_free(bio);
        throw std::runtime_error("cannot set up TLS: " + takeError());
    }
    BIO_set_data(bio, &impl_->link);
    BIO_set_init(bio, 1);
    SSL_set_bio(ssl, bio, bio);
    if (server) {
        SSL_set_accept_state(ssl);
        return;
    }
    // The certificate must name the server as the client reached it.
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
    if (X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()) != 1) {
        ERR_clear_error();
        if (SSL_set1_host(ssl, host.c_str()) != 1 || SSL_set_tlsext_host_name(ssl, host.c_str()) != 1)
            throw std::runtime_error("cannot check the certificate against \"" + host + "\": " + takeError());
    }
    SSL_set_connect_state(ssl);
}

TlsStream::~TlsStream() = default;

IoStatus TlsStream::handshake(int& err) {
    ERR_clear_error();
    int r = SSL_do_handshake(impl_->ssl);
    if (r == 1) {
        impl_->readWant = impl_->writeWant = Want::None;
        return IoStatus::Data;
    }
    IoStatus st = impl_->fail(r, impl_->readWant, err);
    impl_->writeWant = impl_->readWant;
    if (st == IoStatus::Closed) {
        impl_->reason = "connection closed during the handshake";
        err = EPROTO;
        return IoStatus::Error;
    }
    return st;
}

IoStatus TlsStream::receive(int, void* buf, std::size_t room, std::size_t& got, int& err) {
    ERR_clear_error();
    int n = SSL_read(impl_->ssl, buf, static_cast<int>(std::min<std::size_t>(room, INT_MAX)));
    if (n > 0) {
        got = static_cast<std::size_t>(n);
        impl_->readWant = Want::None;
        return IoStatus::Data;
    }
    return impl_->fail(n, impl_->readWant, err);
}

IoStatus TlsStream::send(int, const void* data, std::size_t size, std::size_t& sent, int& err) {
    ERR_clear_error();
    int n = SSL_write(impl_->ssl, data, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
    if (n > 0) {
        sent = static_cast<std::size_t>(n);
        impl_->writeWant = Want::None;
        return IoStatus::Data;
    }
    return impl_->fail(n, impl_->writeWant, err);
}

// With read-ahead, whole records may wait inside OpenSSL too; after a read
// that wanted more from the socket, what waits is only part of one.
bool TlsStream::buffered() const {
    return SSL_pending(impl_->ssl) > 0 || (impl_->readWant != Want::Read && SSL_has_pending(impl_->ssl) == 1);
}

short TlsStream::events(bool read, bool write) const {
    // A read may need the socket writable (and a write readable) while TLS
    // finishes its own messages; waiting for the other event would spin or stall.
    short ev = 0;
    if (read) ev |= impl_->readWant == Want::Write ? POLLOUT : POLLIN;
    if (write) ev |= impl_->writeWant == Want::Read ? POLLIN : POLLOUT;
    return ev;
}

std::string TlsStream::errorText(int err) const {
    if (err == EPROTO && !impl_->reason.empty()) return impl_->reason;
    return Stream::errorText(err);
}

}  // namespace net
}  // namespace rti
}  // namespace volax
