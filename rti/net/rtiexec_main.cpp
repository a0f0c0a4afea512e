// volax-rtiexec: the RTI executive as a TCP server for federates in other
// processes (they set VOLAX_RTI=HOST:PORT).
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "Auth.h"
#include "RtiServer.h"
#include "ServerControl.h"
#include "Socket.h"
#include "StandardStreams.h"
#include "Tls.h"

using volax::rti::net::HostPort;

namespace {

volax::rti::net::ServerRequests gRequests;

// A positive whole number within [lo, hi], or exit 2 naming the option.
unsigned long number(const char* opt, const std::string& v, unsigned long lo, unsigned long hi) {
    char* end = nullptr;
    errno = 0;
    unsigned long n = std::strtoul(v.c_str(), &end, 10);
    if (errno || end == v.c_str() || *end || n < lo || n > hi || v[0] == '-') {
        std::fprintf(stderr, "volax-rtiexec: %s wants a number from %lu to %lu, not \"%s\"\n", opt, lo, hi, v.c_str());
        std::exit(2);
    }
    return n;
}

void usage(std::FILE* out) {
    std::fprintf(out,
                 "Usage: volax-rtiexec [--listen HOST:PORT] [--key-file FILE] [--insecure]\n"
                 "                     [--tls-cert FILE --tls-key FILE [--tls-only]]\n"
                 "                     [--max-queue MB] [--max-connections N] [--max-objects N]\n"
                 "                     [--join-deadline S] [--stall-timeout S] [--verbose]\n"
                 "\n"
                 "Serves HLA 1.3 federation executions to federates in other processes.\n"
                 "A federate reaches it when its environment holds VOLAX_RTI=HOST:PORT.\n"
                 "\n"
                 "  --listen HOST:PORT  address to listen on (default 127.0.0.1:%u, loopback\n"
                 "                      only; 0.0.0.0:PORT accepts other machines). Port 0\n"
                 "                      picks a free port.\n"
                 "  --key-file FILE     only federates that prove they know the key in FILE\n"
                 "                      (at least 16 bytes; theirs in VOLAX_RTI_KEY_FILE) get in\n"
                 "  --insecure          allow a non-loopback address without --key-file\n"
                 "  --tls-cert FILE     with --key-file: also offer TLS 1.3 on the same port,\n"
                 "  --tls-key FILE      with this certificate chain and private key (PEM);\n"
                 "                      federates use it when VOLAX_RTI_TLS_CA names the CA\n"
                 "                      file that signed it\n"
                 "  --tls-only          refuse federates that do not start TLS\n"
                 "  --max-queue MB      bytes queued for one connection, replies and callbacks\n"
                 "                      (default 64); past half of it its federation's senders\n"
                 "                      wait, past all of it the connection is dropped\n"
                 "  --max-connections N connections at once (default 1000, or fewer under a\n"
                 "                      low descriptor limit); the oldest one not joined makes\n"
                 "                      room, else further ones are refused\n"
                 "  --max-objects N     object instances one federate may own (default 100000)\n"
                 "  --join-deadline S   seconds a connection may stay without joining (10)\n"
                 "  --stall-timeout S   seconds a federate with a full queue may take nothing\n"
                 "                      before it is dropped (4)\n"
                 "  --verbose           also log connections that never join\n"
                 "  --help              this text\n"
                 "\n"
                 "Once listening it prints one line on standard output:\n"
                 "  volax-rtiexec listening on HOST:PORT\n"
                 "Joins, resigns, federations created and destroyed, and dropped connections\n"
                 "are logged one per line on standard error. A federate whose connection\n"
                 "closes is resigned with DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES.\n"
                 "%s",
                 static_cast<unsigned>(volax::rti::net::kDefaultPort), volax::rti::net::kServerRequestsHelp);
}

}  // namespace

int main(int argc, char** argv) {
    volax::unixLineEnds();
    HostPort where{"127.0.0.1", volax::rti::net::kDefaultPort};
    volax::rti::net::ServerOptions options;
    bool maxConnectionsSet = false;
    bool insecure = false;
    std::string tlsCert, tlsKey;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](const char* opt) -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "volax-rtiexec: %s needs a value\n", opt);
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return 0;
        } else if (a == "--listen") {
            std::string v = value("--listen");
            try {
                where = volax::rti::net::parseHostPort(v, false);
            } catch (const std::invalid_argument& e) {
                std::fprintf(stderr, "volax-rtiexec: --listen: %s\n", e.what());
                return 2;
            }
        } else if (a == "--max-queue") {
            options.maxQueuedBytes = static_cast<std::size_t>(number("--max-queue", value("--max-queue"), 1, 65536))
                                     << 20;
        } else if (a == "--max-connections") {
            options.maxConnections = number("--max-connections", value("--max-connections"), 1, 1000000);
            maxConnectionsSet = true;
        } else if (a == "--max-objects") {
            options.maxObjects = number("--max-objects", value("--max-objects"), 1, 100000000);
        } else if (a == "--join-deadline") {
            options.joinDeadline = static_cast<double>(number("--join-deadline", value("--join-deadline"), 1, 86400));
        } else if (a == "--stall-timeout") {
            options.stallSeconds = static_cast<double>(number("--stall-timeout", value("--stall-timeout"), 1, 3600));
        } else if (a == "--key-file") {
            std::string error;
            options.key = volax::rti::net::readKeyFile(value("--key-file"), error);
            if (options.key.empty()) {
                std::fprintf(stderr, "volax-rtiexec: --key-file: %s\n", error.c_str());
                return 2;
            }
        } else if (a == "--tls-cert") {
            tlsCert = value("--tls-cert");
        } else if (a == "--tls-key") {
            tlsKey = value("--tls-key");
        } else if (a == "--tls-only") {
            options.tlsOnly = true;
        } else if (a == "--insecure") {
            insecure = true;
        } else if (a == "--verbose" || a == "-v") {
            options.verbose = true;
        } else {
            std::fprintf(stderr, "volax-rtiexec: unknown argument \"%s\"\n", a.c_str());
            usage(stderr);
            return 2;
        }
    }

    // A build without TLS says so before anything else about the TLS options.
    if (!volax::rti::net::tlsBuilt() && (!tlsCert.empty() || !tlsKey.empty() || options.tlsOnly)) {
        std::string why;
        volax::rti::net::TlsConfig::forServer(tlsCert, tlsKey, why);  // the absent TLS's own reason
        std::fprintf(stderr, "volax-rtiexec: %s: %s\n",
                     !tlsCert.empty() ? "--tls-cert" : !tlsKey.empty() ? "--tls-key" : "--tls-only", why.c_str());
        return 2;
    }
    if (tlsCert.empty() != tlsKey.empty() || (options.tlsOnly && tlsCert.empty())) {
        std::fprintf(stderr, "volax-rtiexec: TLS needs both --tls-cert and --tls-key\n");
        return 2;
    }
    if (!tlsCert.empty()) {
        // TLS hides the traffic; only the key decides who joins.
        if (options.key.empty()) {
            std::fprintf(stderr, "volax-rtiexec: --tls-cert needs --key-file\n");
            return 2;
        }
        std::string error;
        options.tls = volax::rti::net::TlsConfig::forServer(tlsCert, tlsKey, error);
        if (!options.tls) {
            std::fprintf(stderr, "volax-rtiexec: %s\n", error.c_str());
            return 2;
        }
    }

    if (!maxConnectionsSet) options.maxConnections = volax::rti::net::defaultMaxConnections();

    const sigset_t* waitMask = volax::rti::net::routeServerRequests(gRequests);

    std::string error;
    volax::rti::net::Fd fd = volax::rti::net::listenTcp(where, error);
    if (!fd.valid()) {
        std::fprintf(stderr, "volax-rtiexec: %s\n", error.c_str());
        return 1;
    }
    if (options.key.empty() && !insecure && !volax::rti::net::boundToLoopback(fd.get())) {
        std::fprintf(stderr,
                     "volax-rtiexec: refusing to listen on %s without --key-file: anyone who reaches the port "
                     "could join (--insecure allows it)\n",
                     where.str().c_str());
        return 2;
    }
    where.port = volax::rti::net::boundPort(fd.get());
    std::printf("volax-rtiexec listening on %s\n", where.str().c_str());
    if (options.tls) std::fprintf(stderr, "volax-rtiexec: TLS 1.3 %s\n", options.tlsOnly ? "required" : "offered");
    std::fflush(stdout);

    bool ok;
    {
        volax::rti::net::RtiServer server(std::move(fd), options, stderr);
        ok = server.run(&gRequests.stop, waitMask, &gRequests.status);
    }
    std::fprintf(stderr, "volax-rtiexec: stopped\n");
    return ok ? 0 : 1;
}
