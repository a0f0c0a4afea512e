#include "RtiServer.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <ctime>

#include "Auth.h"
#include "FreeMemory.h"
#include "UtcTime.h"
#include "Frame.h"

namespace volax {
namespace rti {
namespace net {

namespace {

// Bytes taken from one connection per loop turn, so a fast sender cannot starve
// the others.
constexpr std::size_t kReadBudget = 256u * 1024;
// Output an unjoined connection may leave unread before it is no longer read.
constexpr std::size_t kPreJoinQueue = 256u * 1024;
// Log lines about one connection per second; the rest are counted.
constexpr int kLogLinesPerSecond = 5;
// Rough bookkeeping cost of one pending best-effort value.
constexpr std::size_t kLatestEntryBytes = 48;

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

std::string logSafe(const std::string& text, std::size_t limit) {
    std::string out;
    const std::size_t shown = std::min(text.size(), limit);
    out.reserve(shown + 16);
    static const char hex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < shown; ++i) {
        auto ch = static_cast<unsigned char>(text[i]);
        if (ch >= 0x20 && ch < 0x7f && ch != '\\') {
            out += static_cast<char>(ch);
        } else {
            out += "\\x";
            out += hex[ch >> 4];
            out += hex[ch & 15];
        }
    }
    if (shown < text.size()) out += "...(" + std::to_string(text.size()) + " bytes)";
    return out;
}

struct RtiServer::Client final : FederateEndpoint {
    Client(Fd f, std::string p, unsigned long i, const ServerOptions& o, double now)
        : fd(std::move(f)), peer(std::move(p)), id(i), opts(o), unjoinedSince(now), lastTaken(now) {
        lagAt = std::min<std::size_t>(256u * 1024, opts.maxQueuedBytes / 8);
        fullAt = opts.maxQueuedBytes / 2;
        in.setMaxBody(kPreJoinMaxBody);
    }

    Stream& stream() { return tls ? static_cast<Stream&>(*tls) : Stream::plain(); }

    std::size_t queued() const { return out.pending() + latestBytes + fedPieces.size(); }

    void deliver(Message&& callback) override {
        if (doomed) return;
        if (!latest.empty()) {
            // Pending best-effort values older than this callback must not follow it.
            if (callback.kind == MessageKind::Reflect)
                dropLatest(callback.handle, &callback.values);
            else if (callback.kind == MessageKind::Remove)
                dropLatest(callback.handle, nullptr);
        }
        receiving = true;
        try {
            out.add(callback);
        } catch (const std::exception& e) {
            doom(std::string("cannot queue a callback: ") + e.what());
            return;
        }
        queuedMore();
    }

    void deliverLatest(Message&& reflect) override {
        if (latest.empty() && out.pending() < lagAt) {
            deliver(std::move(reflect));
            return;
        }
        if (doomed) return;
        receiving = true;
        Latest& l = latest[reflect.handle];
        if (l.values.empty()) latestBytes += kLatestEntryBytes;
        for (HandleValue& hv : reflect.values) {
            auto it = l.values.find(hv.handle);
            if (it == l.values.end()) {
                latestBytes += kLatestEntryBytes + hv.value.size();
                l.values.emplace(hv.handle, std::move(hv.value));
            } else {
                latestBytes = latestBytes - it->second.size() + hv.value.size();
                it->second = std::move(hv.value);
            }
        }
        latestBytes = latestBytes - l.tag.size() + reflect.tag.size();
        l.tag = std::move(reflect.tag);
        queuedMore();
    }

    void dropLatest(std::uint32_t obj, const std::vector<HandleValue>* values) {
        auto it = latest.find(obj);
        if (it == latest.end()) return;
        Latest& l = it->second;
        if (values) {
            for (const HandleValue& hv : *values) {
                auto v = l.values.find(hv.handle);
                if (v == l.values.end()) continue;
                latestBytes -= kLatestEntryBytes + v->second.size();
                l.values.erase(v);
            }
            if (!l.values.empty()) return;
        } else {
            for (const auto& v : l.values) latestBytes -= kLatestEntryBytes + v.second.size();
        }
        latestBytes -= kLatestEntryBytes + l.tag.size();
        latest.erase(it);
    }

    // Once the backlog is small again, the newest best-effort values go out,
    // one Reflect per instance.
    void releaseLatest() {
        if (latest.empty() || out.pending() >= lagAt) return;
        for (auto& entry : latest) {
            Message cb(MessageKind::Reflect, entry.first);
            cb.tag = std::move(entry.second.tag);
            for (auto& v : entry.second.values) cb.values.push_back(HandleValue{v.first, std::move(v.second)});
            try {
                out.add(cb);
            } catch (const std::exception& e) {
                doom(std::string("cannot queue a callback: ") + e.what());
                break;
            }
        }
        latest.clear();
        latestBytes = 0;
    }

    void queuedMore() {
        const std::size_t q = queued();
        if (q > opts.maxQueuedBytes)
            doom("not reading its callbacks (" + std::to_string(q) + " bytes queued)");
        else
            updateFull();
    }

    // Only a backlog of callbacks holds the senders back; one of its own
    // replies just stops this connection being read.
    void updateFull() {
        if (out.empty() && latest.empty()) receiving = false;
        const bool now = !doomed && receiving && queued() > fullAt;
        if (now == full) return;
        full = now;
        if (full) lastTaken = monotonicSeconds();  // the stall clock starts here
        if (gate) gate->full += full ? 1 : -1;
    }

    void doom(const std::string& why) {
        if (doomed) return;
        doomed = true;
        reason = why;
        if (full && gate) --gate->full;
        full = false;
    }

    struct Latest {
        std::map<std::uint32_t, std::string> values;
        std::string tag;
    };

    Fd fd;
    std::string peer;
    unsigned long id;
    const ServerOptions& opts;
    std::size_t lagAt = 0, fullAt = 0;
    RecvBuffer in;
    SendBuffer out;
    std::map<std::uint32_t, Latest> latest;  // instance -> newest best-effort values
    std::size_t latestBytes = 0;
    std::string fedPieces;
    bool doomed = false;
    bool closedByPeer = false;
    bool full = false;
    bool receiving = false;  // callbacks are among the queued bytes
    bool sender = false;     // has sent updates or interactions since it joined
    bool framesWaiting = false;  // complete frames left unread while held back
    std::string reason;
    std::unique_ptr<TlsStream> tls;
    bool sniffing = false;  // TLS offered: the first bytes tell whether it starts
    bool authenticated = false;
    std::string nonce;
    bool joined = false;
    std::string federate;
    std::string federation;
    std::uint32_t federateHandle = 0;
    Gate* gate = nullptr;
    double unjoinedSince;
    double lastTaken;  // last time the socket took bytes (or the queue became full)
    double logWindow = -1e9;
    int logLines = 0;
    unsigned long logsSuppressed = 0;
};

RtiServer::RtiServer(Fd listening, ServerOptions options, std::FILE* log)
    : listen_(std::move(listening)), options_(std::move(options)), log_(log) {
    exec_.setObjectQuota(options_.maxObjects);
}

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
    if (volax::utcCalendar(now, tm)) std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", &tm);
    std::fprintf(log_, "%s volax-rtiexec: %s\n", stamp, text);
    std::fflush(log_);
}

void RtiServer::clientLog(Client& c, const char* fmt, ...) {
    const double now = monotonicSeconds();
    if (now - c.logWindow >= 1.0) {
        c.logWindow = now;
        c.logLines = 0;
    }
    if (c.logLines >= kLogLinesPerSecond) {
        ++c.logsSuppressed;
        return;
    }
    ++c.logLines;
    char text[900];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    if (c.logsSuppressed) {
        log("%s (and %lu more lines about connection %lu not logged)", text, c.logsSuppressed, c.id);
        c.logsSuppressed = 0;
    } else {
        log("%s", text);
    }
}

bool RtiServer::count(Tally& t, double now) {
    ++t.unlogged;
    if (now - t.last < 1.0) return false;
    t.last = now;
    return true;
}

std::string RtiServer::describe(const Client& c) const {
    const char* over = c.tls ? " over TLS" : "";
    if (c.joined)
        return "federate '" + logSafe(c.federate) + "' (handle " + std::to_string(c.federateHandle) + ") of '" +
               logSafe(c.federation) + "' at " + c.peer + over;
    return "connection " + std::to_string(c.id) + " from " + c.peer + over;
}

void RtiServer::logStatus() {
    std::size_t joined = 0;
    for (const auto& c : clients_) joined += c->joined ? 1 : 0;
    std::vector<FederationStatus> all = exec_.status();
    log("status: %zu connection(s), %zu federate(s) joined, %zu federation(s)", clients_.size(), joined, all.size());
    for (const FederationStatus& s : all)
        log("status: federation '%s': %zu federate(s), %zu object(s), %zu unowned", logSafe(s.name).c_str(),
            s.federates, s.objects, s.unowned);
}

void RtiServer::acceptAll(double now) {
    std::size_t live = 0;
    for (const auto& c : clients_) live += c->doomed ? 0 : 1;
    for (;;) {
        int err = 0;
        int fd = acceptConnection(listen_.get(), err);
        if (fd < 0) {
            if (err == EAGAIN) return;
            // Out of descriptors or memory: back off instead of spinning on a
            // listening socket that stays readable.
            if (count(acceptFailed_, now)) {
                log("cannot accept connections: %s (%lu time(s))", std::strerror(err), acceptFailed_.unlogged);
                acceptFailed_.unlogged = 0;
            }
            acceptPausedUntil_ = now + 0.1;
            return;
        }
        Fd conn(fd);
        if (live >= options_.maxConnections) {
            // The oldest connection that has not joined makes room, so idle
            // connections cannot keep a new federate out; else the new one goes.
            Client* oldest = nullptr;
            for (auto& c : clients_)
                if (!c->doomed && !c->joined && (!oldest || c->unjoinedSince < oldest->unjoinedSince))
                    oldest = c.get();
            if (!oldest) {
                if (count(refusedFull_, now)) {
                    log("refused %lu connection(s): %zu already open (--max-connections)", refusedFull_.unlogged,
                        live);
                    refusedFull_.unlogged = 0;
                }
                continue;  // conn closes here
            }
            oldest->doom("closed to make room for a new connection (--max-connections)");
            oldest->closedByPeer = true;  // counted, not one line each
            if (count(refusedFull_, now)) {
                log("closed %lu connection(s) not joined to make room (--max-connections %zu), latest %s",
                    refusedFull_.unlogged, options_.maxConnections, oldest->peer.c_str());
                refusedFull_.unlogged = 0;
            }
            --live;
        }
        tuneConnection(conn.get());
        std::string peer = peerAddress(conn.get());
        auto c = std::make_unique<Client>(std::move(conn), peer, nextClientId_++, options_, now);
        Message hello(MessageKind::Challenge);
        if (options_.tls) {
            hello.handle = kTlsOffered | (options_.tlsOnly ? kTlsRequired : 0);
            c->sniffing = true;
        }
        if (!options_.key.empty()) {
            hello.flag = true;
            c->nonce = hello.text = makeNonce();
        } else {
            c->authenticated = true;
        }
        c->out.add(hello);
        clients_.push_back(std::move(c));
        ++live;
        if (options_.verbose) log("connection %lu from %s", clients_.back()->id, peer.c_str());
    }
}

bool RtiServer::canRead(const Client& c) const {
    if (c.doomed) return false;
    if (c.out.pending() > (c.joined ? c.fullAt : kPreJoinQueue)) return false;
    // Only federates that send updates or interactions are held back: one that
    // merely joins, asks or resigns is not in the way of a lagging receiver.
    return !c.sender || c.gate->full == 0;
}

void RtiServer::readFrom(Client& c) {
    std::size_t taken = 0;
    while (canRead(c) && taken < kReadBudget) {
        if (!dispatchBuffered(c)) return;
        int err = 0;
        std::size_t before = c.in.buffered();
        IoStatus st = c.in.readFrom(c.fd.get(), err, c.stream());
        if (st == IoStatus::WouldBlock) return;
        if (st == IoStatus::Closed || st == IoStatus::Error) {
            // Requests that arrived before a close are still handled, in order.
            dispatchBuffered(c);
            if (!c.doomed) {
                c.closedByPeer = true;
                c.doom(st == IoStatus::Closed ? "connection closed" : c.stream().errorText(err));
                if (st == IoStatus::Error) tlsFailed(c);
            }
            return;
        }
        if (c.sniffing && !startTls(c)) return;
        taken += c.in.buffered() - before;
        if (!c.in.lastReadFull()) break;
    }
    dispatchBuffered(c);
    c.in.shrink();
}

// The first bytes after the plain challenge: a TLS ClientHello or plain frames.
bool RtiServer::startTls(Client& c) {
    std::string first = c.in.takeAll();
    const int tls = startsTls(reinterpret_cast<const unsigned char*>(first.data()), first.size());
    if (tls <= 0) {
        c.in.append(first.data(), first.size());
        c.sniffing = tls < 0;
        return true;
    }
    c.sniffing = false;
    if (!c.out.empty()) {
        c.doom("started TLS before it had the challenge");
        return false;
    }
    try {
        c.tls.reset(new TlsStream(options_.tls, c.fd.get(), true, std::string(), std::move(first)));
        // The nonce sent in the clear is spent; the one to answer comes inside TLS.
        Message hello(MessageKind::Challenge, kTlsOffered);
        hello.flag = true;
        c.nonce = hello.text = makeNonce();
        c.out.add(hello);
    } catch (const std::exception& e) {
        c.doom(std::string("cannot start TLS: ") + e.what());
        return false;
    }
    return true;
}

// A handshake that fails (a client that does not trust our certificate, or
// speaks no TLS) is counted and logged once a second; either side's read or
// write may be the one that meets it.
void RtiServer::tlsFailed(Client& c) {
    if (!c.tls || c.authenticated || !count(tlsFailed_, monotonicSeconds())) return;
    log("TLS failed on %lu connection(s), latest %s: %s", tlsFailed_.unlogged, c.peer.c_str(), c.reason.c_str());
    tlsFailed_.unlogged = 0;
}

// Handles the complete frames already received, as long as the connection may
// be read. False when it was dropped or held back.
bool RtiServer::dispatchBuffered(Client& c) {
    const std::uint8_t* frame = nullptr;
    std::size_t size = 0;
    c.framesWaiting = false;
    try {
        for (;;) {
            if (!canRead(c)) {
                c.framesWaiting = !c.doomed && c.in.buffered() > 0;
                return false;
            }
            if (!c.in.nextFrame(frame, size)) return true;
            Message m = decode(frame, size);
            dispatch(c, m);
        }
    } catch (const DecodeError& e) {
        c.doom(std::string("bad message: ") + e.what());
        c.closedByPeer = false;
        return false;
    }
}

void RtiServer::refuseKey(Client& c, const Message& request, const char* why, const char* answer) {
    if (count(refusedKey_, monotonicSeconds())) {
        log("refused %lu connection(s) without the federation key, latest %s (%s)", refusedKey_.unlogged,
            c.peer.c_str(), why);
        refusedKey_.unlogged = 0;
    }
    Message no = Message::error(ErrorCode::RTIinternalError, answer);
    no.serial = request.serial;
    try {
        c.out.add(no);
    } catch (const std::exception&) {
    }
    c.doom(std::string("refused: ") + why);
    c.closedByPeer = true;  // already logged above, at most once a second
}

void RtiServer::enterFederation(Client& c) {
    Gate& g = gates_[c.federation];
    ++g.members;
    c.gate = &g;
    if (c.full) ++g.full;
    std::size_t joinedMax = std::min(kMaxFrameBody, std::max(kPreJoinMaxBody, options_.maxQueuedBytes / 4));
    c.in.setMaxBody(joinedMax);
}

void RtiServer::leaveFederation(Client& c) {
    if (!c.gate) return;
    if (c.full) --c.gate->full;
    if (--c.gate->members == 0) gates_.erase(c.federation);
    c.gate = nullptr;
    c.sender = false;
    c.in.setMaxBody(kPreJoinMaxBody);
}

void RtiServer::dispatch(Client& c, Message& request) {
    if (!c.authenticated) {
        if (options_.tlsOnly && !c.tls) {
            refuseKey(c, request, "not TLS", kTlsOnly);
            return;
        }
        if (request.kind == MessageKind::Authenticate && proofMatches(options_.key, c.nonce, request.text)) {
            c.authenticated = true;
            c.nonce.clear();
        } else {
            refuseKey(c, request, request.kind == MessageKind::Authenticate ? "wrong key" : "no key", kKeyRefused);
        }
        return;
    }
    if (request.kind == MessageKind::Authenticate) return;  // a key this server does not ask for
    if (!isRequest(request.kind)) {
        c.doom(std::string("sent a ") + kindName(request.kind) + " message, which is not a request");
        return;
    }
    if (request.kind == MessageKind::CreateFederation) {
        if (c.fedPieces.size() + request.text.size() > kMaxFedTextBytes) {
            c.doom("FED text longer than " + std::to_string(kMaxFedTextBytes) + " bytes");
            return;
        }
        if (request.flag) {  // a piece; the last one has the flag clear
            c.fedPieces += request.text;
            c.queuedMore();
            return;
        }
        if (!c.fedPieces.empty()) {
            request.text = c.fedPieces + request.text;
            std::string().swap(c.fedPieces);
        }
    } else if (!c.fedPieces.empty()) {
        std::string().swap(c.fedPieces);
    }

    if (c.gate && (request.kind == MessageKind::UpdateAttributes || request.kind == MessageKind::SendInteraction))
        c.sender = true;
    Message reply;
    try {
        reply = exec_.handle(c, request);
    } catch (const std::exception& e) {
        c.doom(std::string("request failed: ") + e.what());
        return;
    }
    const bool ok = reply.kind == MessageKind::Reply;
    const std::string errorText =
        ok ? std::string() : std::string(errorName(static_cast<ErrorCode>(reply.handle))) + ": " + logSafe(reply.text);

    switch (request.kind) {
        case MessageKind::CreateFederation:
            if (ok)
                clientLog(c, "federation '%s' created from %s by %s", logSafe(request.name).c_str(),
                          request.name2.empty() ? "(unnamed FED)" : logSafe(request.name2).c_str(), c.peer.c_str());
            else
                clientLog(c, "create of federation '%s' by %s failed: %s", logSafe(request.name).c_str(),
                          c.peer.c_str(), errorText.c_str());
            break;
        case MessageKind::DestroyFederation:
            if (ok)
                clientLog(c, "federation '%s' destroyed by %s", logSafe(request.name).c_str(), c.peer.c_str());
            else
                clientLog(c, "destroy of federation '%s' by %s failed: %s", logSafe(request.name).c_str(),
                          c.peer.c_str(), errorText.c_str());
            break;
        case MessageKind::JoinFederation:
            if (ok) {
                c.joined = true;
                c.federate = request.name;
                c.federation = request.name2;
                c.federateHandle = reply.handle;
                enterFederation(c);
                clientLog(c, "%s joined", describe(c).c_str());
            } else {
                clientLog(c, "join of '%s' to '%s' from %s failed: %s", logSafe(request.name).c_str(),
                          logSafe(request.name2).c_str(), c.peer.c_str(), errorText.c_str());
            }
            break;
        case MessageKind::ResignFederation:
            if (ok) {
                clientLog(c, "%s resigned (%s)", describe(c).c_str(), resignActionName(request.handle));
                leaveFederation(c);
                c.joined = false;
                c.unjoinedSince = monotonicSeconds();
                freed_ = true;
            } else {
                clientLog(c, "resign of %s failed: %s", describe(c).c_str(), errorText.c_str());
            }
            break;
        default:
            if (!ok && request.serial == 0)
                clientLog(c, "%s: one-way %s failed: %s", describe(c).c_str(), kindName(request.kind),
                          errorText.c_str());
            break;
    }

    // Serial 0 marks a one-way request: nobody waits for its reply.
    if (request.serial != 0 && !c.doomed) {
        try {
            c.out.add(reply);
        } catch (const std::exception& e) {
            c.doom(std::string("cannot queue a reply: ") + e.what());
            return;
        }
        c.queuedMore();
    }
}

void RtiServer::checkDeadlines(double now) {
    for (auto& cp : clients_) {
        Client& c = *cp;
        if (c.doomed) continue;
        if (!c.joined && now - c.unjoinedSince > options_.joinDeadline) {
            c.doom("did not join within the deadline");
            c.closedByPeer = true;  // counted below, not one line each
            if (count(joinTimeouts_, now)) {
                log("closed %lu connection(s) that did not join within %g s, latest %s", joinTimeouts_.unlogged,
                    options_.joinDeadline, c.peer.c_str());
                joinTimeouts_.unlogged = 0;
            }
        } else if (c.full && now - c.lastTaken > options_.stallSeconds) {
            c.doom("not reading its callbacks (" + std::to_string(c.queued()) + " bytes queued, none taken for " +
                   std::to_string(static_cast<int>(now - c.lastTaken)) + " s)");
        }
    }
    // Counts not yet logged are logged once their second is over.
    for (Tally* t : {&refusedFull_, &acceptFailed_, &refusedKey_, &joinTimeouts_, &tlsFailed_}) {
        if (t->unlogged && now - t->last >= 1.0) {
            log("%lu more connection(s) refused or closed in the last second (%s)", t->unlogged,
                t == &refusedFull_    ? "--max-connections"
                : t == &acceptFailed_ ? "cannot accept"
                : t == &refusedKey_   ? "federation key"
                : t == &tlsFailed_    ? "TLS failed"
                                      : "join deadline");
            t->unlogged = 0;
            t->last = now;
        }
    }
}

void RtiServer::closeDoomed() {
    // Disconnecting one federate can push another over its queue limit: repeat.
    for (;;) {
        auto it = std::find_if(clients_.begin(), clients_.end(), [](const auto& c) { return c->doomed; });
        if (it == clients_.end()) break;
        std::unique_ptr<Client> c = std::move(*it);
        clients_.erase(it);
        if (c->joined) {
            log("%s vanished (%s): resigned with DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES", describe(*c).c_str(),
                c->reason.c_str());
        } else if (!c->closedByPeer || options_.verbose) {
            log("dropping %s: %s", describe(*c).c_str(), c->reason.c_str());
        }
        leaveFederation(*c);
        exec_.disconnect(*c);
        // Whatever replies were queued still go out if the socket takes them.
        if (!c->out.empty()) {
            int err = 0;
            c->out.flush(c->fd.get(), err, c->stream());
        }
        freed_ = true;
    }
    const double now = monotonicSeconds();
    if (freed_ && now - lastTrim_ >= 1.0) {
        volax::returnFreeMemory();  // heap pages freed by departed clients go back to the system
        lastTrim_ = now;
        freed_ = false;
    }
}

void RtiServer::flushAll() {
    for (auto& cp : clients_) {
        Client& c = *cp;
        if (c.doomed) continue;
        for (int round = 0; round < 2 && !c.out.empty(); ++round) {
            const std::size_t before = c.out.pending();
            int err = 0;
            IoStatus st = c.out.flush(c.fd.get(), err, c.stream());
            if (st == IoStatus::Error) {
                c.closedByPeer = true;
                c.doom(c.stream().errorText(err));
                tlsFailed(c);
                break;
            }
            if (c.full && c.out.pending() < before) c.lastTaken = monotonicSeconds();
            if (st != IoStatus::Data) break;
            c.releaseLatest();  // the backlog is gone: the newest values follow
        }
        if (!c.doomed && !c.latest.empty()) c.releaseLatest();
        c.updateFull();
    }
}

bool RtiServer::run(const volatile std::sig_atomic_t* stop, const sigset_t* waitMask,
                    volatile std::sig_atomic_t* status) {
    std::vector<PollEntry> fds;
    std::vector<Client*> polled;
    while (!*stop) {
        if (status && *status) {
            *status = 0;
            logStatus();
        }
        fds.clear();
        polled.clear();
        double now = monotonicSeconds();
        const bool acceptOn = now >= acceptPausedUntil_;
        bool busy = false;  // frames already received wait for a connection that may be read again
        fds.push_back(pollEntry(listen_.get(), static_cast<short>(acceptOn ? POLLIN : 0)));
        for (auto& c : clients_) {
            const bool readable = canRead(*c);
            // Bytes TLS already decrypted do not make the socket readable.
            if (readable && c->tls && c->tls->buffered()) c->framesWaiting = true;
            if (readable && c->framesWaiting) busy = true;
            fds.push_back(pollEntry(c->fd.get(), c->stream().events(readable, !c->out.empty())));
            polled.push_back(c.get());
        }
        // Deadlines are looked at a few times a second.
        int n = pollSockets(fds.data(), fds.size(), busy ? 0.0 : 0.2, waitMask);
        if (n < 0) {
            if (errno == EINTR) continue;
            log("poll failed: %s", std::strerror(errno));
            return false;
        }
        now = monotonicSeconds();
        if (fds[0].revents & POLLIN) acceptAll(now);
        // clients_ may have grown in acceptAll; only the polled ones are looked at.
        for (std::size_t i = 0; i < polled.size(); ++i) {
            Client& c = *polled[i];
            if (!canRead(c)) continue;
            // TLS may need the socket writable to go on reading.
            const short wake = static_cast<short>(POLLIN | POLLHUP | POLLERR | (c.tls ? POLLOUT : 0));
            if ((fds[i + 1].revents & wake) || c.framesWaiting) readFrom(c);
        }
        closeDoomed();
        flushAll();
        checkDeadlines(now);
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
