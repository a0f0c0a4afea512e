// Starts volax-rtiexec as a child process on a loopback port for tests and
// benchmarks, and stops or kills it. Every wait is bounded.
#ifndef VOLAX_TESTS_RTI_TCP_SERVERPROCESS_H
#define VOLAX_TESTS_RTI_TCP_SERVERPROCESS_H

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "TestPlatform.h"

namespace rtitcp {

class ServerProcess {
public:
    // Starts `exe --listen 127.0.0.1:<port>` (0: any free port) and waits up to
    // 10 s for its "listening on" line. Throws std::runtime_error on failure.
    explicit ServerProcess(std::string exe, std::uint16_t port = 0, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{exe, "--listen", "127.0.0.1:" + std::to_string(port)};
        args.insert(args.end(), extra.begin(), extra.end());
        proc_ = std::make_unique<volax::test::Process>(args);
        if (!proc_->started()) throw std::runtime_error("cannot start " + exe);

        // The port comes from the first line on stdout, which shares the log file.
        const std::string marker = "volax-rtiexec listening on ";
        std::string line;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        volax::test::ProcessResult ended;
        for (;;) {
            const std::string out = proc_->output();
            auto at = out.find(marker);
            auto end = at == std::string::npos ? at : out.find('\n', at);
            if (end != std::string::npos) {
                line = out.substr(at, end - at);
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline || proc_->wait(0.0, ended)) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        auto colon = line.rfind(':');
        if (line.empty() || colon == std::string::npos) {
            std::string why = "volax-rtiexec did not report its port; log: " + log();
            kill();
            throw std::runtime_error(why);
        }
        port_ = static_cast<std::uint16_t>(std::atoi(line.c_str() + colon + 1));
    }

    ~ServerProcess() {
        if (running()) stop();
    }

    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    std::uint16_t port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    long pid() const { return proc_->id(); }
    bool running() const { return proc_->id() > 0; }

    // SIGTERM, then up to `seconds` for a clean exit, then SIGKILL. Returns the
    // exit status, or -1 when it had to be killed or died by a signal. Windows
    // has no SIGTERM: the server is ended at once, and the result is -1.
    int stop(double seconds = 5.0) {
        if (!running()) return -1;
        proc_->terminate();
        return reap(seconds);
    }

    // SIGKILL: the server vanishes without a word.
    void kill() {
        if (!running()) return;
        proc_->kill();
        reap(5.0);
    }

    // Its standard error, after its one line on standard output.
    std::string log() const { return proc_->output(); }

private:
    int reap(double seconds) {
        volax::test::ProcessResult r;
        if (proc_->wait(seconds, r)) return r.exitCode;
        proc_->kill();
        proc_->wait(-1.0, r);
        return -1;
    }

    std::unique_ptr<volax::test::Process> proc_;
    std::uint16_t port_ = 0;
};

// Runs `exe` with `args` to its end (for options it refuses at start): its exit
// status, and what it wrote in `err`.
inline int runServerOnce(const std::string& exe, const std::vector<std::string>& args, std::string& err) {
    std::vector<std::string> argv{exe};
    argv.insert(argv.end(), args.begin(), args.end());
    volax::test::ProcessResult r = volax::test::runProcess(argv);
    err += r.output;
    return r.exitCode;
}

}  // namespace rtitcp

#endif
