// TestPlatform.h on POSIX: posix_spawn, SIGINT, setenv, seteuid.
#include "TestPlatform.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>

extern char** environ;

namespace volax {
namespace test {

const char* const kCentralEuropeZone = "Europe/Zurich";

int processId() { return static_cast<int>(::getpid()); }

void setEnv(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }
void unsetEnv(const char* name) { ::unsetenv(name); }

void setTimeZone(const char* zone) {
    setEnv("TZ", zone);
    ::tzset();
}

struct Process::Native {
    pid_t pid = -1;
    std::string output;
};

Process::Process(const std::vector<std::string>& argv, const ProcessOptions& options)
    : dir_("volax-process"), native_(new Native) {
    if (argv.empty() || !dir_.ok()) return;
    native_->output = dir_.file("output.txt");
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    std::map<std::string, std::string> env;
    for (char** e = environ; *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (eq) env[std::string(static_cast<const char*>(*e), eq)] = eq + 1;
    }
    for (const auto& [name, value] : options.env) env[name] = value;
    std::vector<std::string> envText;
    for (const auto& [name, value] : env) envText.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& e : envText) envp.push_back(&e[0]);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, native_->output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (!options.workingDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workingDir.c_str());
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data()) == 0) native_->pid = pid;
    posix_spawn_file_actions_destroy(&actions);
}

Process::~Process() {
    if (native_->pid > 0) {
        ::kill(native_->pid, SIGKILL);
        wait();
    }
}

bool Process::started() const { return native_->pid > 0; }

bool Process::interrupt() { return native_->pid > 0 && ::kill(native_->pid, SIGINT) == 0; }
bool Process::terminate() { return native_->pid > 0 && ::kill(native_->pid, SIGTERM) == 0; }
bool Process::kill() { return native_->pid > 0 && ::kill(native_->pid, SIGKILL) == 0; }
long Process::id() const { return native_->pid > 0 ? native_->pid : 0; }
std::string Process::output() const { return readFile(native_->output); }

bool Process::wait(double seconds, ProcessResult& r) {
    r = ProcessResult{};
    if (native_->pid <= 0) return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    pid_t got;
    for (;;) {
        got = ::waitpid(native_->pid, &status, seconds < 0 ? 0 : WNOHANG);
        if (got < 0 && errno == EINTR) continue;
        if (got != 0) break;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        ::usleep(5000);
    }
    native_->pid = -1;
    if (got > 0 && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    r.output = readFile(native_->output);
    return true;
}

AsOtherUser::AsOtherUser(const std::string& readable) {
    was_ = ::geteuid();
    if (was_ != 0) {
        active_ = true;  // not root: file modes bind already
        return;
    }
    if (::seteuid(65534) != 0) {
        reason_ = "cannot become user nobody";
        return;
    }
    switched_ = true;
    struct stat st {};
    if (::stat(readable.c_str(), &st) == 0 && ::access(readable.c_str(), R_OK) == 0) {
        active_ = true;
        return;
    }
    restore();
    reason_ = "user nobody cannot read " + readable;
}

AsOtherUser::~AsOtherUser() { restore(); }

void AsOtherUser::restore() {
    if (switched_ && ::seteuid(static_cast<uid_t>(was_)) != 0) std::abort();
    switched_ = false;
}

bool setMode(const std::string& path, unsigned mode) { return ::chmod(path.c_str(), mode) == 0; }

}  // namespace test
}  // namespace volax
