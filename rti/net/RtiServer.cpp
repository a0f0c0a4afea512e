#include "RtiServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include "Frame.h"

namespace volax {
namespace rti {
namespace net {

namespace {

// Bytes taken from one connection per loop turn, so a fast sender cannot starve
// the others.
constexpr std::size_t kReadBudget = 256u * 1024;
// Failed one-way requests are logged, but not without end.
constexpr int kMaxLoggedPostErrors = 10;

std::string peerName(int fd) {
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0) return "?";
    char host[INET6_ADDRSTRLEN] = "?";
    unsigned port = 0;
    if (ss.ss_family == AF_INET) {
        auto* a = reinterpret_cast<sockaddr_in*>(&ss);
        ::inet_ntop(AF_INET, &a->sin_addr, host, sizeof host);
        port = ntohs(a->sin_port);
        return std::string(host) + ":" + std::to_string(port);
    }
    if (ss.ss_family == AF_INET6) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&ss);
        ::inet_ntop(AF_INET6, &a->sin6_addr, host, sizeof host);
        port = ntohs(a->sin6_port);
        return "[" + std::string(host) + "]:" + std::to_string(port);
    }
    return "?";
}

const char* resignActionName(std::uint32_t action) {
    switch (action) {
        case 1: return "RELEASE_ATTRIBUTES";
        case 2: return "DELETE_OBJECTS";
        case 3: return "DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES";
        case 4: return "NO_ACTION";
        default: return "?";
    }
}

}  // namespace

struct RtiServer::Client final : FederateEndpoint {
    Client(Fd f, std::string p, unsigned long i, std::size_t limit)
        : fd(std::move(f)), peer(std::move(p)), id(i), maxQueued(limit) {}

    void deliver(Message&& callback) override {
        if (doomed) return;
        try {
            out.add(callback);
        } catch (const std::exception& e) {
            doom(std::string("cannot queue a callback: ") + e.what());
            return;
        }
        if (out.pending() > maxQueued)
            doom("not reading its callbacks (" + std::to_string(out.pending()) + " bytes queued)");
    }

    void doom(const std::string& why) {
        if (doomed) return;
        doomed = true;
        reason = why;
    }

    Fd fd;
    std::string peer;
    unsigned long id;
    std::size_t maxQueued;
    RecvBuffer in;
    SendBuffer out;
    bool doomed = false;
    bool closedByPeer = false;
    std::string reason;
    bool joined = false;
    std::string federate;
    std::string federation;
    std::uint32_t federateHandle = 0;
    int postErrors = 0;
};

RtiServer::RtiServer(Fd listening, ServerOptions options, std::FILE* log)
    : listen_(std::move(listening)), options_(options), log_(log) {}

RtiServer::~RtiServer() {
    // Resign whoever is still joined so the executive ends consistent.
    for (auto& c : clients_) exec_.disconnect(*c);
}

std::size_t RtiServer::connectionCount() const { return clients_.size(); }

void RtiServer::log(const char* fmt, ...) {
    if (!log_) return;
    char text[1024];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    char stamp[32] = "";
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    if (::gmtime_r(&now, &tm)) std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &tm);
    std::fprintf(log_, "%s volax-rtiexec: %s\n", stamp, text);
    std::fflush(log_);
}

std::string RtiServer::describe(const Client& c) const {
    if (c.joined)
        return "federate '" + c.federate + "' (handle " + std::to_string(c.federateHandle) + ") of '" +
               c.federation + "' at " + c.peer;
    return "connection " + std::to_string(c.id) + " from " + c.peer;
}

void RtiServer::acceptAll() {
    for (;;) {
        int fd = ::accept4(listen_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return;
            // Out of descriptors or memory: back off instead of spinning on a
            // listening socket that stays readable.
            log("cannot accept a connection: %s", std::strerror(errno));
            acceptPausedUntil_ = monotonicSeconds() + 0.1;
            return;
        }
        tuneConnection(fd);
        std::string peer = peerName(fd);
        clients_.push_back(std::make_unique<Client>(Fd(fd), peer, nextClientId_++, options_.maxQueuedBytes));
        if (options_.verbose) log("connection %lu from %s", clients_.back()->id, peer.c_str());
    }
}

void RtiServer::readFrom(Client& c) {
    std::size_t taken = 0;
    while (!c.doomed && taken < kReadBudget) {
        int err = 0;
        std::size_t before = c.in.buffered();
        IoStatus st = c.in.readFrom(c.fd.get(), err);
        if (st == IoStatus::WouldBlock) break;
        if (st == IoStatus::Closed) {
            c.closedByPeer = true;
            c.doom("connection closed");
        } else if (st == IoStatus::Error) {
            c.closedByPeer = true;
            c.doom(std::strerror(err));
        } else {
            taken += c.in.buffered() - before;
        }
        // Requests that arrived before a close are still handled, in order.
        const std::uint8_t* frame = nullptr;
        std::size_t size = 0;
        try {
            while (c.in.nextFrame(frame, size)) {
                Message m = decode(frame, size);
                dispatch(c, m);
                if (c.doomed && !c.closedByPeer) return;
            }
        } catch (const DecodeError& e) {
            c.doom(std::string("bad message: ") + e.what());
            c.closedByPeer = false;
            return;
        }
        if (st == IoStatus::Data && !c.in.lastReadFull()) break;
    }
}

void RtiServer::dispatch(Client& c, const Message& request) {
    if (!isRequest(request.kind)) {
        c.doom(std::string("sent a ") + kindName(request.kind) + " message, which is not a request");
        return;
    }
    Message reply;
    try {
        reply = exec_.handle(c, request);
    } catch (const std::exception& e) {
        c.doom(std::string("request failed: ") + e.what());
        return;
    }
    const bool ok = reply.kind == MessageKind::Reply;
    const std::string errorText =
        ok ? std::string() : std::string(errorName(static_cast<ErrorCode>(reply.handle))) + ": " + reply.text;

    switch (request.kind) {
        case MessageKind::CreateFederation:
            if (ok)
                log("federation '%s' created from %s by %s", request.name.c_str(),
                    request.name2.empty() ? "(unnamed FED)" : request.name2.c_str(), c.peer.c_str());
            else
                log("create of federation '%s' by %s failed: %s", request.name.c_str(), c.peer.c_str(),
                    errorText.c_str());
            break;
        case MessageKind::DestroyFederation:
            if (ok)
                log("federation '%s' destroyed by %s", request.name.c_str(), c.peer.c_str());
            else
                log("destroy of federation '%s' by %s failed: %s", request.name.c_str(), c.peer.c_str(),
                    errorText.c_str());
            break;
        case MessageKind::JoinFederation:
            if (ok) {
                c.joined = true;
                c.federate = request.name;
                c.federation = request.name2;
                c.federateHandle = reply.handle;
                log("%s joined", describe(c).c_str());
            } else {
                log("join of '%s' to '%s' from %s failed: %s", request.name.c_str(), request.name2.c_str(),
                    c.peer.c_str(), errorText.c_str());
            }
            break;
        case MessageKind::ResignFederation:
            if (ok) {
                log("%s resigned (%s)", describe(c).c_str(), resignActionName(request.handle));
                c.joined = false;
            } else {
                log("resign of %s failed: %s", describe(c).c_str(), errorText.c_str());
            }
            break;
        default:
            if (!ok && request.serial == 0 && c.postErrors < kMaxLoggedPostErrors) {
                ++c.postErrors;
                log("%s: one-way %s failed: %s%s", describe(c).c_str(), kindName(request.kind), errorText.c_str(),
                    c.postErrors == kMaxLoggedPostErrors ? " (further failures not logged)" : "");
            }
            break;
    }

    // Serial 0 marks a one-way request: nobody waits for its reply.
    if (request.serial != 0 && !c.doomed) {
        try {
            c.out.add(reply);
        } catch (const std::exception& e) {
            c.doom(std::string("cannot queue a reply: ") + e.what());
        }
    }
}

void RtiServer::closeDoomed() {
    // Disconnecting one federate can push another over its queue limit: repeat.
    for (;;) {
        auto it = std::find_if(clients_.begin(), clients_.end(), [](const auto& c) { return c->doomed; });
        if (it == clients_.end()) return;
        std::unique_ptr<Client> c = std::move(*it);
        clients_.erase(it);
        if (c->joined) {
            log("%s vanished (%s): resigned with DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES", describe(*c).c_str(),
                c->reason.c_str());
        } else if (!c->closedByPeer || options_.verbose) {
            log("dropping %s: %s", describe(*c).c_str(), c->reason.c_str());
        }
        exec_.disconnect(*c);
        // Whatever replies were queued still go out if the socket takes them.
        if (!c->closedByPeer && !c->out.empty()) {
            int err = 0;
            c->out.flush(c->fd.get(), err);
        }
    }
}

void RtiServer::flushAll() {
    for (auto& c : clients_) {
        if (c->doomed || c->out.empty()) continue;
        int err = 0;
        if (c->out.flush(c->fd.get(), err) == IoStatus::Error) {
            c->closedByPeer = true;
            c->doom(std::strerror(err));
        }
    }
}

bool RtiServer::run(const volatile std::sig_atomic_t* stop, const sigset_t* waitMask) {
    std::vector<pollfd> fds;
    while (!*stop) {
        fds.clear();
        const bool acceptOn = monotonicSeconds() >= acceptPausedUntil_;
        fds.push_back(pollfd{listen_.get(), static_cast<short>(acceptOn ? POLLIN : 0), 0});
        for (auto& c : clients_) {
            short ev = POLLIN;
            if (!c->out.empty()) ev |= POLLOUT;
            fds.push_back(pollfd{c->fd.get(), ev, 0});
        }
        timespec pause{0, 100 * 1000 * 1000};
        int n = ::ppoll(fds.data(), fds.size(), acceptOn ? nullptr : &pause, waitMask);
        if (n < 0) {
            if (errno == EINTR) continue;
            log("poll failed: %s", std::strerror(errno));
            return false;
        }
        if (fds[0].revents & POLLIN) acceptAll();
        // clients_ may have grown in acceptAll; only the polled ones are looked at.
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) readFrom(*clients_[i - 1]);
        }
        closeDoomed();
        flushAll();
        closeDoomed();
    }
    std::size_t joined = 0;
    for (const auto& c : clients_) joined += c->joined ? 1 : 0;
    log("stopping with %zu connection(s), %zu federate(s) joined", clients_.size(), joined);
    return true;
}

}  // namespace net
}  // namespace rti
}  // namespace volax
