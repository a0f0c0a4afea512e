#include "ModuleLoader.h"

#include <dlfcn.h>

namespace xphost {
namespace detail {

// The XPLM functions come from the already loaded host library; a plugin's
// own symbols stay private to it.
void* openModule(const std::string& path, std::string& why) {
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* text = dlerror();
        why = text ? text : "unknown reason";
    }
    return handle;
}

void* moduleSymbol(void* module, const char* name) { return dlsym(module, name); }

void closeModule(void* module) { dlclose(module); }

}  // namespace detail
}  // namespace xphost
