// The portable half of TestPlatform.h; TestPlatformPosix.cpp and
// TestPlatformWindows.cpp hold the rest.
#include "TestPlatform.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace volax {
namespace test {

TempDir::TempDir(const std::string& prefix) {
    std::error_code ec;
    const fs::path base = fs::temp_directory_path(ec);
    if (ec) return;
    static std::atomic<unsigned> serial{0};
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path dir =
            base / (prefix + "-" + std::to_string(entropy()) + "-" + std::to_string(serial++));
        if (fs::create_directory(dir, ec) && !ec) {
            path_ = dir.generic_string();
            return;
        }
    }
}

TempDir::~TempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string TempDir::release() {
    std::string p;
    p.swap(path_);
    return p;
}

ScratchFile::ScratchFile() : dir_("volax-stream") {
    if (dir_.ok()) file_ = std::fopen(dir_.file("stream").c_str(), "w+b");
}

ScratchFile::ScratchFile(const std::string& content) : ScratchFile() {
    if (!file_) return;
    std::fwrite(content.data(), 1, content.size(), file_);
    std::rewind(file_);
}

ScratchFile::~ScratchFile() {
    // Closed before the folder goes: Windows keeps an open file.
    if (file_) std::fclose(file_);
}

std::string ScratchFile::text() const {
    if (!file_) return {};
    std::fflush(file_);
    return readFile(dir_.file("stream"));
}

std::string ScratchFile::take() {
    std::string all = text();
    if (file_ && !std::freopen(dir_.file("stream").c_str(), "w+b", file_)) file_ = nullptr;
    return all;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
    Process p(argv, options);
    return p.wait();
}

ProcessResult Process::wait() {
    ProcessResult r;
    wait(-1.0, r);
    return r;
}

}  // namespace test
}  // namespace volax
