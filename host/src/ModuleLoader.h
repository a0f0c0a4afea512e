// Loading a plugin file and finding its entry points: the platform's loader
// (dlopen on Linux and macOS, LoadLibrary on Windows), one file each.
#ifndef VOLAX_HOST_MODULELOADER_H
#define VOLAX_HOST_MODULELOADER_H

#include <string>

namespace xphost {
namespace detail {

// Loads the file at `path` (a bare file name is a file in the current folder,
// never a library to search for) with its symbols private to it. Null and
// `why` on failure.
void* openModule(const std::string& path, std::string& why);
void* moduleSymbol(void* module, const char* name);
void closeModule(void* module);

}  // namespace detail
}  // namespace xphost

#endif
