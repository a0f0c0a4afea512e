// What the simulator shows the user: Log.txt, spoken texts, host notes, and
// the preferences path.

#include "HostState.h"
#include "XPLMHost.h"

#include "XPLMUtilities.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace xphost {
namespace detail {
namespace {

struct Outputs {
    std::string outputDir;
    std::string prefsDir;
    bool echo = false;
    FILE* logFile = nullptr;
    std::string log;  // XPLMDebugString text only
    std::vector<std::string> spoken;
};

Outputs& out() {
    static Outputs* o = new Outputs;  // lives as long as the process: plugins may log at exit
    return *o;
}

// Log.txt receives everything the user would see, flushed at once.
void toLogFile(const char* text) {
    Outputs& o = out();
    if (!o.logFile) return;
    std::fputs(text, o.logFile);
    std::fflush(o.logFile);
}

void toStdout(const char* text) {
    if (!out().echo) return;
    std::fputs(text, stdout);
    std::fflush(stdout);
}

}  // namespace

// "C:\\x", "C:/x" and "/x" (the current drive's root on Windows) are kept as given.
std::string absolutePath(const std::string& path) {
    if (!path.empty() && std::filesystem::path(path).has_root_directory()) return path;
    std::error_code ec;
    std::string base = std::filesystem::current_path(ec).string();
    if (ec) return path;
    if (path.empty() || path == ".") return base;
    return base + "/" + path;
}

void copyTruncated(char* dst, size_t size, const std::string& src) {
    if (!dst) return;
    const size_t n = std::min(src.size(), size - 1);
    std::memcpy(dst, src.data(), n);
    dst[n] = 0;
}

void resetOutputs() {
    out().log.clear();
    out().spoken.clear();
}

void hostLine(const std::string& text) {
    const std::string line = "[host] " + text + "\n";
    toLogFile(line.c_str());
    toStdout(line.c_str());
}

}  // namespace detail

using detail::out;

void setOutputDir(const std::string& dir) {
    auto& o = out();
    if (o.logFile) {
        std::fclose(o.logFile);
        o.logFile = nullptr;
    }
    o.outputDir = dir;
    if (dir.empty()) return;
    const std::string path = dir + "/Log.txt";
    o.logFile = std::fopen(path.c_str(), "w");
    if (!o.logFile) {
        const bool echo = o.echo;
        o.echo = true;  // the user must learn that the log is missing
        detail::hostLine("cannot write " + path + ": " + std::strerror(errno));
        o.echo = echo;
    }
}

void setPrefsDir(const std::string& dir) { out().prefsDir = detail::absolutePath(dir); }
void setEcho(bool toStdout) { out().echo = toStdout; }

std::vector<std::string> spokenTexts() { return out().spoken; }
std::string logText() { return out().log; }
void clearOutputs() { detail::resetOutputs(); }
void note(const std::string& text) { detail::hostLine(text); }

}  // namespace xphost

using xphost::detail::out;

extern "C" {

XPLM_API void XPLMDebugString(const char* inString) {
    if (!inString) return;
    out().log += inString;
    xphost::detail::toLogFile(inString);
    xphost::detail::toStdout(inString);
}

XPLM_API void XPLMSpeakString(const char* inString) {
    if (!inString) return;
    out().spoken.emplace_back(inString);
    const std::string line = std::string("[speak] ") + inString + "\n";
    xphost::detail::toLogFile(line.c_str());
    xphost::detail::toStdout(line.c_str());
}

XPLM_API void XPLMGetPrefsPath(char* outPrefsPath) {
    if (!outPrefsPath) return;
    std::string dir = out().prefsDir.empty() ? xphost::detail::absolutePath(".") : out().prefsDir;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    const std::string path = (dir == "/" ? dir : dir + "/") + "X-Plane.prf";
    xphost::detail::copyTruncated(outPrefsPath, 512, path);
}

XPLM_API char* XPLMExtractFileAndPath(char* inFullPath) {
    if (!inFullPath) return nullptr;
    char* sep = std::strrchr(inFullPath, '/');
    if (!sep) return inFullPath;  // no folder: all of it is the file name
    *sep = 0;
    return sep + 1;
}

XPLM_API const char* XPLMGetDirectorySeparator(void) { return "/"; }

}  // extern "C"
