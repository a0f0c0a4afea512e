// volax-rtiexec: the RTI executive as a TCP server for federates in other
// processes (they set VOLAX_RTI=HOST:PORT).
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "RtiServer.h"
#include "Socket.h"

using volax::rti::net::HostPort;

namespace {

volatile std::sig_atomic_t gStop = 0;

void onSignal(int) { gStop = 1; }

void usage(std::FILE* out) {
    std::fprintf(out,
                 "Usage: volax-rtiexec [--listen HOST:PORT] [--max-queue MB] [--verbose]\n"
                 "\n"
                 "Serves HLA 1.3 federation executions to federates in other processes.\n"
                 "A federate reaches it when its environment holds VOLAX_RTI=HOST:PORT.\n"
                 "\n"
                 "  --listen HOST:PORT  address to listen on (default 127.0.0.1:%u, loopback\n"
                 "                      only; 0.0.0.0:PORT accepts other machines). Port 0\n"
                 "                      picks a free port.\n"
                 "  --max-queue MB      callbacks a federate may leave unread before it is\n"
                 "                      dropped (default 64)\n"
                 "  --verbose           also log connections that never join\n"
                 "  --help              this text\n"
                 "\n"
                 "Once listening it prints one line on standard output:\n"
                 "  volax-rtiexec listening on HOST:PORT\n"
                 "Joins, resigns, federations created and destroyed, and dropped connections\n"
                 "are logged one per line on standard error. A federate whose connection\n"
                 "closes is resigned with DELETE_OBJECTS_AND_RELEASE_ATTRIBUTES.\n"
                 "SIGINT or SIGTERM stops the server (exit status 0).\n",
                 static_cast<unsigned>(volax::rti::net::kDefaultPort));
}

}  // namespace

int main(int argc, char** argv) {
    HostPort where{"127.0.0.1", volax::rti::net::kDefaultPort};
    volax::rti::net::ServerOptions options;
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
            std::string v = value("--max-queue");
            char* end = nullptr;
            errno = 0;
            unsigned long mb = std::strtoul(v.c_str(), &end, 10);
            if (errno || end == v.c_str() || *end || mb == 0 || mb > 65536 || v[0] == '-') {
                std::fprintf(stderr, "volax-rtiexec: --max-queue wants megabytes from 1 to 65536, not \"%s\"\n",
                             v.c_str());
                return 2;
            }
            options.maxQueuedBytes = static_cast<std::size_t>(mb) << 20;
        } else if (a == "--verbose" || a == "-v") {
            options.verbose = true;
        } else {
            std::fprintf(stderr, "volax-rtiexec: unknown argument \"%s\"\n", a.c_str());
            usage(stderr);
            return 2;
        }
    }

    // Signals stay blocked except while the loop waits, so none is missed between
    // a check of the stop flag and the wait.
    sigset_t block, waitMask;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigaddset(&block, SIGTERM);
    sigprocmask(SIG_BLOCK, &block, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::string error;
    volax::rti::net::Fd fd = volax::rti::net::listenTcp(where, error);
    if (!fd.valid()) {
        std::fprintf(stderr, "volax-rtiexec: %s\n", error.c_str());
        return 1;
    }
    where.port = volax::rti::net::boundPort(fd.get());
    std::printf("volax-rtiexec listening on %s\n", where.str().c_str());
    std::fflush(stdout);

    bool ok;
    {
        volax::rti::net::RtiServer server(std::move(fd), options, stderr);
        ok = server.run(&gStop, &waitMask);
    }
    std::fprintf(stderr, "volax-rtiexec: stopped\n");
    return ok ? 0 : 1;
}
