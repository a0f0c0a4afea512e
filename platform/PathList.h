// Folder lists in one environment variable, as PATH has them: the one place
// that knows each platform's separator and what makes a file name absolute.
#ifndef VOLAX_PLATFORM_PATHLIST_H
#define VOLAX_PLATFORM_PATHLIST_H

#include <string>

namespace volax {

// Windows separates with ';' because ':' follows a drive letter ("C:\FED").
#ifdef _WIN32
constexpr char kPathListSeparator = ';';
#else
constexpr char kPathListSeparator = ':';
#endif

// "/x", and on Windows also "C:\x", "C:/x" and "\\server\share\x".
inline bool isAbsolutePath(const std::string& name) {
#ifdef _WIN32
    if (name.size() >= 3 && name[1] == ':' && (name[2] == '\\' || name[2] == '/')) return true;
    return name.size() >= 2 && (name[0] == '\\' || name[0] == '/') && (name[1] == '\\' || name[1] == '/');
#else
    return !name.empty() && name[0] == '/';
#endif
}

}  // namespace volax

#endif
