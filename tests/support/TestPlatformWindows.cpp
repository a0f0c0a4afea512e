// TestPlatform.h on Windows: CreateProcess, _putenv_s. Windows has no effective
// user to switch to, and no Ctrl-C for one child process.
#include "TestPlatform.h"

#include <windows.h>

#include <io.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>

namespace volax {
namespace test {

// msvcrt reads TZ as name, offset west of UTC, summer-time name.
const char* const kCentralEuropeZone = "CET-1CEST";

int processId() { return static_cast<int>(GetCurrentProcessId()); }

void setEnv(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }
void unsetEnv(const char* name) { _putenv_s(name, ""); }

void setTimeZone(const char* zone) {
    setEnv("TZ", zone);
    _tzset();
}

namespace {

// The quoting CommandLineToArgvW and the C runtime undo.
std::string quoted(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string q = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        q.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        q.push_back(c);
    }
    q.append(2 * backslashes, '\\');
    return q + "\"";
}

struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const { return _stricmp(a.c_str(), b.c_str()) < 0; }
};

}  // namespace

struct Process::Native {
    HANDLE process = nullptr;
    std::string output;
    bool ended = false;  // by us: reported as by a signal
};

Process::Process(const std::vector<std::string>& argv, const ProcessOptions& options)
    : dir_("volax-process"), native_(new Native) {
    if (argv.empty() || !dir_.ok()) return;
    native_->output = dir_.file("output.txt");
    std::string commandLine = quoted(std::filesystem::path(argv[0]).make_preferred().string());
    for (size_t i = 1; i < argv.size(); ++i) commandLine += " " + quoted(argv[i]);

    // The child's environment: ours with the options' values over it, sorted as Windows wants.
    std::map<std::string, std::string, NoCase> env;
    if (char* block = GetEnvironmentStringsA()) {
        for (const char* e = block; *e; e += std::strlen(e) + 1) {
            const char* eq = std::strchr(e + 1, '=');  // "=C:=C:\..." entries start with '='
            if (eq) env[std::string(e, eq)] = eq + 1;
        }
        FreeEnvironmentStringsA(block);
    }
    for (const auto& [name, value] : options.env) env[name] = value;
    std::string envBlock;
    for (const auto& [name, value] : env) envBlock += name + "=" + value + '\0';
    envBlock += '\0';

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(native_->output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE in = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                            nullptr);
    if (out == INVALID_HANDLE_VALUE || in == INVALID_HANDLE_VALUE) {
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
        return;
    }
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = out;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, &envBlock[0],
                       options.workingDir.empty() ? nullptr : options.workingDir.c_str(), &si, &pi)) {
        CloseHandle(pi.hThread);
        native_->process = pi.hProcess;
    }
    CloseHandle(out);
    CloseHandle(in);
}

Process::~Process() {
    if (native_->process) {
        TerminateProcess(native_->process, 1);
        wait();
    }
}

bool Process::started() const { return native_->process != nullptr; }

bool Process::interrupt() { return false; }
bool Process::terminate() { return kill(); }

bool Process::kill() {
    if (!native_->process || !TerminateProcess(native_->process, 1)) return false;
    native_->ended = true;
    return true;
}

long Process::id() const { return native_->process ? static_cast<long>(GetProcessId(native_->process)) : 0; }
std::string Process::output() const { return readFile(native_->output); }

bool Process::wait(double seconds, ProcessResult& r) {
    r = ProcessResult{};
    if (!native_->process) return true;
    const DWORD ms = seconds < 0 ? INFINITE : static_cast<DWORD>(seconds * 1000);
    if (WaitForSingleObject(native_->process, ms) == WAIT_TIMEOUT) return false;
    DWORD code = 0;
    if (GetExitCodeProcess(native_->process, &code) && !native_->ended) r.exitCode = static_cast<int>(code);
    CloseHandle(native_->process);
    native_->process = nullptr;
    r.output = readFile(native_->output);
    return true;
}

AsOtherUser::AsOtherUser(const std::string&) : reason_("Windows has no effective user to switch to") {}

AsOtherUser::~AsOtherUser() = default;

void AsOtherUser::restore() {}

bool setMode(const std::string& path, unsigned mode) {
    return _chmod(path.c_str(), (mode & 0200) ? (_S_IREAD | _S_IWRITE) : _S_IREAD) == 0;
}

}  // namespace test
}  // namespace volax
