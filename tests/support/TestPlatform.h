// What the test suites need from the operating system, the same on Linux and
// Windows: a temporary folder, a file standing in for a memory stream, the
// environment, child processes, and the few things only POSIX can do.
#ifndef VOLAX_TESTS_TESTPLATFORM_H
#define VOLAX_TESTS_TESTPLATFORM_H

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace volax {
namespace test {

// For the few cases that only one platform can run, skipped with a reason.
#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

// A fresh folder under the system's temporary folder, removed with all it holds.
// Paths use '/', which Windows accepts as well.
class TempDir {
public:
    explicit TempDir(const std::string& prefix = "volax");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool ok() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Forgets the folder: it is left for a later look (or for the process's end).
    std::string release();

private:
    std::string path_;
};

// A file opened for update that stands in for fmemopen/open_memstream, which
// Windows lacks; removed when the object goes.
class ScratchFile {
public:
    ScratchFile();
    // Opened for reading with this content, rewound.
    explicit ScratchFile(const std::string& content);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    FILE* get() const { return file_; }
    // Everything written so far; the file stays open where it is.
    std::string text() const;
    // Everything written so far, and empties the file; the same FILE* stays
    // open, so it can stay installed as a log stream.
    std::string take();

private:
    TempDir dir_;
    FILE* file_ = nullptr;
};

std::string readFile(const std::string& path);

// This process's id: spreads ports and names of suites running side by side.
int processId();

void setEnv(const char* name, const std::string& value);
void unsetEnv(const char* name);
// Makes a new TZ value take effect for localtime and mktime.
void setTimeZone(const char* zone);

// A time zone an hour east of UTC with summer time, as this C library spells it.
extern const char* const kCentralEuropeZone;

struct ProcessOptions {
    std::string workingDir;                                    // empty: the caller's
    std::vector<std::pair<std::string, std::string>> env;     // set in the child only
};

struct ProcessResult {
    int exitCode = -1;   // -1: could not start, or ended by a signal
    std::string output;  // stdout and stderr together
};

// A child process whose stdout and stderr go to a file, read when it ends
// (or on the way, through output()).
class Process {
public:
    Process(const std::vector<std::string>& argv, const ProcessOptions& options = {});
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool started() const;
    // Ctrl-C for this child alone (SIGINT). False where the platform cannot aim
    // it at one process: Windows sends Ctrl-C to a whole console.
    bool interrupt();
    // Asks the child to end (SIGTERM). Windows has no such request: it ends the
    // child at once, as kill() does.
    bool terminate();
    bool kill();
    ProcessResult wait();
    // At most `seconds`; false while the child still runs.
    bool wait(double seconds, ProcessResult& result);
    // What the child has written so far, while it runs.
    std::string output() const;
    // Its process id, 0 once it has been waited for.
    long id() const;

    struct Native;

private:
    TempDir dir_;
    std::unique_ptr<Native> native_;
};

ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// File modes do not bind root: a permission case runs as user nobody for the
// object's lifetime. Only where the process can switch its effective user.
class AsOtherUser {
public:
    // readable: a file the other user must still be able to read (the plugin).
    explicit AsOtherUser(const std::string& readable);
    ~AsOtherUser();
    AsOtherUser(const AsOtherUser&) = delete;
    AsOtherUser& operator=(const AsOtherUser&) = delete;

    bool active() const { return active_; }
    // Why not, when not active.
    const std::string& reason() const { return reason_; }
    // Back to the original user before the object goes.
    void restore();

private:
    bool active_ = false;
    bool switched_ = false;
    unsigned long was_ = 0;
    std::string reason_;
};

// Sets POSIX file mode bits; on Windows only the read-only flag follows them.
bool setMode(const std::string& path, unsigned mode);

}  // namespace test
}  // namespace volax

#endif
