// Starts volax-rtiexec as a child process on a loopback port for tests and
// benchmarks, and stops or kills it. Every wait is bounded.
#ifndef VOLAX_TESTS_RTI_TCP_SERVERPROCESS_H
#define VOLAX_TESTS_RTI_TCP_SERVERPROCESS_H

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace rtitcp {

class ServerProcess {
public:
    // Starts `exe --listen 127.0.0.1:<port>` (0: any free port) and waits up to
    // 10 s for its "listening on" line. Throws std::runtime_error on failure.
    explicit ServerProcess(std::string exe, std::uint16_t port = 0, std::vector<std::string> extra = {})
        : exe_(std::move(exe)) {
        char logName[] = "/tmp/volax-rtiexec-log-XXXXXX";
        int logFd = ::mkstemp(logName);
        if (logFd < 0) throw std::runtime_error("mkstemp failed");
        logPath_ = logName;

        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_adddup2(&fa, logFd, 2);

        std::vector<std::string> args{exe_, "--listen", "127.0.0.1:" + std::to_string(port)};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        int rc = ::posix_spawn(&pid_, exe_.c_str(), &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        ::close(out[1]);
        ::close(logFd);
        if (rc != 0) {
            ::close(out[0]);
            ::unlink(logPath_.c_str());
            throw std::runtime_error("cannot start " + exe_ + ": " + std::strerror(rc));
        }

        std::string line;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (line.find('\n') == std::string::npos) {
            int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                    .count());
            pollfd p{out[0], POLLIN, 0};
            if (left <= 0 || ::poll(&p, 1, left) <= 0) break;
            char buf[256];
            ssize_t n = ::read(out[0], buf, sizeof buf);
            if (n <= 0) break;
            line.append(buf, static_cast<std::size_t>(n));
        }
        ::close(out[0]);
        const std::string marker = "volax-rtiexec listening on ";
        auto at = line.find(marker);
        auto colon = line.rfind(':');
        if (at == std::string::npos || colon == std::string::npos) {
            kill();
            std::string why = "volax-rtiexec did not report its port; output \"" + line + "\", log: " + log();
            ::unlink(logPath_.c_str());
            throw std::runtime_error(why);
        }
        port_ = static_cast<std::uint16_t>(std::atoi(line.c_str() + colon + 1));
    }

    ~ServerProcess() {
        if (pid_ > 0) stop();
        if (!logPath_.empty()) ::unlink(logPath_.c_str());
    }

    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    std::uint16_t port() const { return port_; }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
    pid_t pid() const { return pid_; }
    bool running() const { return pid_ > 0; }

    // SIGTERM, then up to `seconds` for a clean exit, then SIGKILL. Returns the
    // exit status, or -1 when it had to be killed or died by a signal.
    int stop(double seconds = 5.0) {
        if (pid_ <= 0) return -1;
        ::kill(pid_, SIGTERM);
        return reap(seconds);
    }

    // SIGKILL: the server vanishes without a word.
    void kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        reap(5.0);
    }

    std::string log() const {
        std::ifstream in(logPath_);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

private:
    int reap(double seconds) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        int status = 0;
        for (;;) {
            pid_t r = ::waitpid(pid_, &status, WNOHANG);
            if (r == pid_ || (r < 0 && errno != EINTR)) break;
            if (std::chrono::steady_clock::now() >= deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                pid_ = -1;
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string exe_;
    std::string logPath_;
    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
};

// Runs `exe` with `args` to its end (for options it refuses at start): its exit
// status, and its standard error in `err`.
inline int runServerOnce(const std::string& exe, const std::vector<std::string>& args, std::string& err) {
    std::string cmd = exe;
    for (const std::string& a : args) cmd += " '" + a + "'";
    cmd += " 2>&1 >/dev/null </dev/null";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return -1;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) err += buf;
    int status = ::pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace rtitcp

#endif
