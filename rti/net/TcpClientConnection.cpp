#include "TcpClientConnection.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <RTI.hh>

#include "Auth.h"
#include "TcpConnection.h"

namespace volax {
namespace rti {
namespace net {

namespace {

// A post may leave this much unsent before it waits for the socket: a federate
// that briefly outruns the server is not slowed down, one that keeps doing so is.
constexpr std::size_t kMaxUnsentBytes = 4u << 20;
// Upper bound of bytes taken from the socket in one drain, so one tick cannot be
// kept busy forever by a fast sender.
constexpr std::size_t kMaxDrainBytes = 8u << 20;

std::string formatSeconds(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", s);
    return buf;
}

// Waits on one descriptor for at most `seconds` (sub-millisecond precise).
int waitFd(int fd, short events, double seconds) {
    PollEntry p = pollEntry(fd, events);
    int n = pollSockets(&p, 1, seconds < 0 ? 0.0 : seconds, nullptr);
    if (n < 0) return errno == EINTR ? 0 : -1;
    return n;
}

}  // namespace

double timeoutFromEnvironment() {
    const char* env = std::getenv("VOLAX_RTI_TIMEOUT");
    if (env == nullptr || *env == '\0') return kDefaultTimeoutSeconds;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(env, &end);
    if (errno != 0 || end == env || *end != '\0' || !std::isfinite(v) || v <= 0)
        throw RTI::RTIinternalError(
            ("VOLAX_RTI_TIMEOUT must be a positive number of seconds, not \"" + std::string(env) + "\"").c_str());
    return v;
}

const char* serviceName(MessageKind kind) {
    switch (kind) {
        case MessageKind::CreateFederation: return "createFederationExecution";
        case MessageKind::DestroyFederation: return "destroyFederationExecution";
        case MessageKind::JoinFederation: return "joinFederationExecution";
        case MessageKind::ResignFederation: return "resignFederationExecution";
        case MessageKind::PublishObjectClass: return "publishObjectClass";
        case MessageKind::UnpublishObjectClass: return "unpublishObjectClass";
        case MessageKind::PublishInteraction: return "publishInteractionClass";
        case MessageKind::UnpublishInteraction: return "unpublishInteractionClass";
        case MessageKind::SubscribeObjectClass: return "subscribeObjectClassAttributes";
        case MessageKind::UnsubscribeObjectClass: return "unsubscribeObjectClass";
        case MessageKind::SubscribeInteraction: return "subscribeInteractionClass";
        case MessageKind::UnsubscribeInteraction: return "unsubscribeInteractionClass";
        case MessageKind::RegisterObject: return "registerObjectInstance";
        case MessageKind::UpdateAttributes: return "updateAttributeValues";
        case MessageKind::SendInteraction: return "sendInteraction";
        case MessageKind::DeleteObject: return "deleteObjectInstance";
        case MessageKind::RequestObjectUpdate: return "requestObjectAttributeValueUpdate";
        case MessageKind::RequestClassUpdate: return "requestClassAttributeValueUpdate";
        case MessageKind::GetObjectInstanceHandle: return "getObjectInstanceHandle";
        case MessageKind::GetObjectInstanceName: return "getObjectInstanceName";
        case MessageKind::GetObjectClass: return "getObjectClass";
        default: return kindName(kind);
    }
}

TcpClientConnection::TcpClientConnection(const HostPort& server, double timeoutSeconds, std::string key,
                                         std::shared_ptr<TlsConfig> tls)
    : server_(server), serverText_(server.str()), timeout_(timeoutSeconds), key_(std::move(key)),
      tlsConfig_(std::move(tls)) {
    connect();
}

TcpClientConnection::~TcpClientConnection() {
    // Hand over what is still buffered (a last update before the ambassador went
    // away), but never wait for a server that does not take it.
    if (fd_.valid() && !out_.empty()) {
        int err = 0;
        out_.flush(fd_.get(), err, stream());
    }
}

void TcpClientConnection::connect() {
    std::string error;
    tls_.reset();
    Fd fd = connectTcp(server_, timeout_, error);
    if (!fd.valid()) throw RTI::RTIinternalError(("cannot reach RTI server " + serverText_ + ": " + error).c_str());
    fd_ = std::move(fd);
    in_.clear();
    out_.clear();
    queue_.clear();
    lossReason_.clear();
    joined_ = false;
    const double deadline = monotonicSeconds() + timeout_;
    if (tlsConfig_) startTls(deadline);
    if (key_.empty()) return;  // the challenge is ignored when it comes
    Message hello = readHello(deadline);
    if (!tls_ && (hello.handle & kTlsRequired)) {
        dropConnection(kTlsOnly);
        throw RTI::RTIinternalError(("RTI server " + serverText_ + ": " + kTlsOnly).c_str());
    }
    if (hello.flag) {
        Message answer(MessageKind::Authenticate);
        answer.text = keyProof(key_, hello.text);
        out_.add(answer);
    }
}

// The server's first frame: whether it wants the key, the nonce to answer, and
// whether it offers TLS.
Message TcpClientConnection::readHello(double deadline) {
    for (;;) {
        const std::uint8_t* frame = nullptr;
        std::size_t size = 0;
        try {
            if (in_.nextFrame(frame, size)) {
                Message hello = decode(frame, size);
                if (hello.kind != MessageKind::Challenge)
                    throw DecodeError(std::string("expected a challenge, got ") + kindName(hello.kind));
                return hello;
            }
        } catch (const std::exception& e) {
            dropConnection(e.what());
            throw RTI::RTIinternalError(("RTI server " + serverText_ + ": bad handshake: " + e.what()).c_str());
        }
        double left = deadline - monotonicSeconds();
        int err = 0;
        IoStatus st = IoStatus::WouldBlock;
        if (left > 0 && (stream().buffered() || waitFd(fd_.get(), stream().events(true, !out_.empty()), left) > 0)) {
            if (!out_.empty() && out_.flush(fd_.get(), err, stream()) == IoStatus::Error) st = IoStatus::Error;
            if (st != IoStatus::Error) st = in_.readFrom(fd_.get(), err, stream());
        }
        if (st == IoStatus::Data || (st == IoStatus::WouldBlock && monotonicSeconds() < deadline)) continue;
        if (st == IoStatus::Closed || st == IoStatus::Error) {
            std::string why = st == IoStatus::Closed ? "closed by the server" : stream().errorText(err);
            dropConnection(why);
            throw RTI::RTIinternalError(("connection to RTI server " + serverText_ + " lost (" + why + ")").c_str());
        }
        dropConnection("no challenge");
        throw RTI::RTIinternalError(("RTI server " + serverText_ + " did not ask for the federation key within " +
                                     formatSeconds(timeout_) + " s")
                                        .c_str());
    }
}

// The plain challenge says whether TLS is offered; then the handshake, whose
// certificate must chain to our CA and name the host we reached.
void TcpClientConnection::startTls(double deadline) {
    Message plain = readHello(deadline);
    const std::string failed = "TLS with RTI server " + serverText_ + " failed: ";
    if (!(plain.handle & kTlsOffered)) {
        dropConnection("no TLS");
        throw RTI::RTIinternalError(
            ("RTI server " + serverText_ + " does not offer TLS (VOLAX_RTI_TLS_CA is set)").c_str());
    }
    if (in_.buffered() > 0) {
        dropConnection("bad handshake");
        throw RTI::RTIinternalError((failed + "data after the challenge").c_str());
    }
    try {
        tls_.reset(new TlsStream(tlsConfig_, fd_.get(), false, server_.host));
    } catch (const std::exception& e) {
        dropConnection(e.what());
        throw RTI::RTIinternalError((failed + e.what()).c_str());
    }
    for (;;) {
        int err = 0;
        IoStatus st = tls_->handshake(err);
        if (st == IoStatus::Data) return;
        std::string why;
        const double left = deadline - monotonicSeconds();
        if (st == IoStatus::Error)
            why = tls_->errorText(err);
        else if (left <= 0 || waitFd(fd_.get(), tls_->events(true, false), left) < 0)
            why = "no handshake within " + formatSeconds(timeout_) + " s";
        if (why.empty()) continue;
        dropConnection(why);
        throw RTI::RTIinternalError((failed + why).c_str());
    }
}

void TcpClientConnection::dropConnection(const std::string& why) {
    tls_.reset();
    fd_.reset();
    in_.clear();
    out_.clear();
    lossReason_ = why;
}

// The server resigns a federate whose connection goes, so a resign that fails
// on the link only has to bring this side into step.
void TcpClientConnection::forgetFederation() {
    joined_ = false;
    queue_.clear();
}

void TcpClientConnection::throwLost() const {
    if (lossReason_ == kKeyRefused || lossReason_ == kTlsOnly)
        throw RTI::RTIinternalError(("RTI server " + serverText_ + ": " + lossReason_).c_str());
    std::string why = "connection to RTI server " + serverText_ + " lost";
    if (!lossReason_.empty()) why += " (" + lossReason_ + ")";
    throw RTI::RTIinternalError(why.c_str());
}

void TcpClientConnection::throwTimeout(MessageKind kind, const char* what) {
    // The late reply could still come and be mistaken for another one; the server
    // resigns a federate whose connection closes, which keeps both sides in step.
    dropConnection(std::string("no answer to ") + serviceName(kind) + " within " + formatSeconds(timeout_) + " s");
    throw RTI::RTIinternalError(("RTI server " + serverText_ + " did not " + what + " " + serviceName(kind) +
                                 " within " + formatSeconds(timeout_) + " s")
                                    .c_str());
}

void TcpClientConnection::ensureConnected(MessageKind kind) {
    if (fd_.valid() && !joined_) {
        // A server restart since the last call shows up as EOF; find out now and
        // connect to the new one rather than fail this request.
        drain(0, nullptr);
    }
    if (fd_.valid()) return;
    if (joined_) {
        if (kind == MessageKind::ResignFederation) forgetFederation();
        throwLost();
    }
    connect();
}

bool TcpClientConnection::decodeFrames(std::uint32_t wantSerial, Message* reply) {
    const std::uint8_t* frame = nullptr;
    std::size_t size = 0;
    try {
        while (in_.nextFrame(frame, size)) {
            Message m = decode(frame, size);
            if (isCallback(m.kind)) {
                queue_.push_back(std::move(m));
            } else if (m.kind == MessageKind::Error && m.serial == 0) {
                // The server's last word before it closes (a refused key).
                dropConnection(m.text);
                return false;
            } else if (m.kind == MessageKind::Challenge) {
                continue;  // answered at connect when we have a key
            } else if (m.kind == MessageKind::Reply || m.kind == MessageKind::Error) {
                // Replies of requests given up on are stale; the serial tells them apart.
                if (wantSerial != 0 && m.serial == wantSerial && reply) {
                    *reply = std::move(m);
                    return true;
                }
            } else {
                throw DecodeError(std::string("unexpected ") + kindName(m.kind) + " from the server");
            }
        }
    } catch (const DecodeError& e) {
        dropConnection(std::string("bad data from the server: ") + e.what());
    }
    return false;
}

bool TcpClientConnection::drain(std::uint32_t wantSerial, Message* reply) {
    if (decodeFrames(wantSerial, reply)) return true;
    std::size_t taken = 0;
    while (fd_.valid() && taken < kMaxDrainBytes) {
        if (!out_.empty()) {
            int err = 0;
            if (out_.flush(fd_.get(), err, stream()) == IoStatus::Error) {
                dropConnection(stream().errorText(err));
                break;
            }
        }
        std::size_t before = in_.buffered();
        int err = 0;
        IoStatus st = in_.readFrom(fd_.get(), err, stream());
        if (st == IoStatus::WouldBlock) break;
        if (st == IoStatus::Closed) {
            dropConnection("closed by the server");
            break;
        }
        if (st == IoStatus::Error) {
            dropConnection(stream().errorText(err));
            break;
        }
        taken += in_.buffered() - before;
        if (decodeFrames(wantSerial, reply)) return true;
        if (!in_.lastReadFull()) break;
    }
    return false;
}

void TcpClientConnection::flushOrWait(MessageKind kind, std::size_t allowedBacklog) {
    double deadline = -1;
    for (;;) {
        int err = 0;
        IoStatus st = out_.flush(fd_.get(), err, stream());
        if (st == IoStatus::Data) return;
        if (st == IoStatus::Error) {
            dropConnection(stream().errorText(err));
            throwLost();
        }
        if (out_.pending() <= allowedBacklog) return;
        double now = monotonicSeconds();
        if (deadline < 0) deadline = now + timeout_;
        if (now >= deadline) throwTimeout(kind, "accept");
        // Keep taking what the server sends meanwhile so neither side stalls.
        int n = stream().buffered() ? 1 : waitFd(fd_.get(), stream().events(true, true), deadline - now);
        if (n < 0) {
            dropConnection(std::strerror(errno));
            throwLost();
        }
        if (n > 0) {
            drain(0, nullptr);
            if (!fd_.valid()) throwLost();
        }
    }
}

Message TcpClientConnection::call(const Message& request) {
    ensureConnected(request.kind);
    const std::uint32_t serial = nextSerial_++;
    if (nextSerial_ == 0) nextSerial_ = 1;
    try {
        if (request.kind == MessageKind::CreateFederation && request.text.size() > kFedPieceBytes) {
            // The server takes only small frames before a join: the FED text goes in pieces.
            Message piece(MessageKind::CreateFederation);
            piece.name = request.name;
            piece.flag = true;
            std::size_t at = 0;
            for (; request.text.size() - at > kFedPieceBytes; at += kFedPieceBytes) {
                piece.text.assign(request.text, at, kFedPieceBytes);
                out_.add(piece, 0);
            }
            Message last = request;
            last.text.erase(0, at);
            out_.add(last, serial);
        } else {
            out_.add(request, serial);
        }
    } catch (const DecodeError& e) {
        throw RTI::RTIinternalError((std::string(serviceName(request.kind)) + ": " + e.what()).c_str());
    }
    const double deadline = monotonicSeconds() + timeout_;
    flushOrWait(request.kind, 0);

    Message reply;
    for (;;) {
        if (drain(serial, &reply)) break;
        if (!fd_.valid()) {
            if (request.kind == MessageKind::ResignFederation) forgetFederation();
            throwLost();
        }
        double left = deadline - monotonicSeconds();
        if (left <= 0) {
            if (request.kind == MessageKind::ResignFederation) forgetFederation();
            throwTimeout(request.kind, "answer");
        }
        if (!stream().buffered() && waitFd(fd_.get(), stream().events(true, !out_.empty()), left) < 0) {
            dropConnection(std::strerror(errno));
            throwLost();
        }
    }

    // The server closes a connection it refused: the next call starts afresh.
    if (reply.kind == MessageKind::Error && (reply.text == kKeyRefused || reply.text == kTlsOnly))
        dropConnection(reply.text);
    if (request.kind == MessageKind::JoinFederation && reply.kind == MessageKind::Reply) joined_ = true;
    if (request.kind == MessageKind::ResignFederation &&
        (reply.kind == MessageKind::Reply ||
         (reply.kind == MessageKind::Error && reply.handle == static_cast<std::uint32_t>(ErrorCode::FederateNotExecutionMember))))
        joined_ = false;
    return reply;
}

void TcpClientConnection::post(const Message& request) {
    if (!fd_.valid()) throwLost();
    try {
        // Serial 0 tells the server nobody waits for the reply.
        out_.add(request, 0);
    } catch (const DecodeError& e) {
        throw RTI::RTIinternalError((std::string(serviceName(request.kind)) + ": " + e.what()).c_str());
    }
    flushOrWait(request.kind, kMaxUnsentBytes);
}

bool TcpClientConnection::pending() const {
    // Reading is how a socket transport learns of callbacks; the state it changes
    // is private to the one thread that uses this connection.
    auto* self = const_cast<TcpClientConnection*>(this);
    if (!self->queue_.empty()) return true;
    if (self->fd_.valid()) self->drain(0, nullptr);
    return !self->queue_.empty() || (!self->fd_.valid() && self->joined_);
}

bool TcpClientConnection::waitForCallbacks(double seconds) {
    if (pending()) return true;
    if (seconds <= 0 || !fd_.valid()) return false;
    const double deadline = monotonicSeconds() + seconds;
    for (;;) {
        double left = deadline - monotonicSeconds();
        if (left <= 0) return false;
        if (waitFd(fd_.get(), stream().events(true, !out_.empty()), left) < 0) {
            dropConnection(std::strerror(errno));
            return joined_;
        }
        if (pending()) return true;
        if (!fd_.valid()) return false;
    }
}

Message* TcpClientConnection::next() {
    if (queue_.empty() && fd_.valid()) drain(0, nullptr);
    if (!queue_.empty()) {
        current_ = std::move(queue_.front());
        queue_.pop_front();
        return &current_;
    }
    if (!fd_.valid() && joined_) throwLost();
    return nullptr;
}

void TcpClientConnection::discardCallbacks() { queue_.clear(); }

}  // namespace net

std::unique_ptr<Connection> makeTcpConnection(const std::string& hostPort) {
    net::HostPort where;
    try {
        where = net::parseHostPort(hostPort, true);
    } catch (const std::invalid_argument& e) {
        throw RTI::RTIinternalError(("VOLAX_RTI: " + std::string(e.what())).c_str());
    }
    std::string key;
    const char* keyFile = std::getenv("VOLAX_RTI_KEY_FILE");
    if (keyFile && *keyFile) {
        std::string error;
        key = net::readKeyFile(keyFile, error);
        if (key.empty()) throw RTI::RTIinternalError(("VOLAX_RTI_KEY_FILE: " + error).c_str());
    }
    std::shared_ptr<net::TlsConfig> tls;
    const char* caFile = std::getenv("VOLAX_RTI_TLS_CA");
    if (caFile && *caFile) {
        std::string error;
        tls = net::TlsConfig::forClient(caFile, error);
        if (!tls) throw RTI::RTIinternalError(("VOLAX_RTI_TLS_CA: " + error).c_str());
    }
    return std::unique_ptr<Connection>(
        new net::TcpClientConnection(where, net::timeoutFromEnvironment(), std::move(key), std::move(tls)));
}

}  // namespace rti
}  // namespace volax
