// Folder lists in one environment variable (as PATH) and absolute file names,
// as each system writes them: "C:\fed;D:\fed" on Windows, "/fed:/opt/fed" elsewhere.
#ifndef VOLAX_PLATFORM_PATHLIST_H
#define VOLAX_PLATFORM_PATHLIST_H

#include <string>

namespace volax {

#ifdef _WIN32
constexpr char kPathListSeparator = ';';
#else
constexpr char kPathListSeparator = ':';
#endif

inline bool isAbsolutePath(const std::string& path) {
    if (path.empty()) return false;
    if (path[0] == '/') return true;
#ifdef _WIN32
    const char c = path[0];
    const bool drive = path.size() > 2 && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && path[1] == ':';
    return path[0] == '\\' || (drive && (path[2] == '/' || path[2] == '\\'));
#else
    return false;
#endif
}

}  // namespace volax

#endif
