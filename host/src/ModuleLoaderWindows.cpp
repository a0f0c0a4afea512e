#include "ModuleLoader.h"

#include <windows.h>

#include <vector>

namespace xphost {
namespace detail {

namespace {

std::wstring wide(const std::string& utf8) {
    int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> out(n > 0 ? n : 1, L'\0');
    if (n > 0) ::MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, out.data(), n);
    return out.data();
}

std::string describe(DWORD code) {
    char text[512] = "";
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                               sizeof text, nullptr);
    while (n && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == '.')) text[--n] = '\0';
    return n ? std::string(text) : "error " + std::to_string(code);
}

}  // namespace

// The plugin's own DLLs are looked for beside it (as X-Plane does not), and
// the XPLM functions come from the XPLM_64.dll already loaded.
void* openModule(const std::string& path, std::string& why) {
    const bool bare = path.find_first_of("/\\") == std::string::npos;
    std::wstring file = wide(bare ? ".\\" + path : path);
    for (auto& c : file)
        if (c == L'/') c = L'\\';
    HMODULE m = ::LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!m) why = describe(::GetLastError());
    return reinterpret_cast<void*>(m);
}

void* moduleSymbol(void* module, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

void closeModule(void* module) { ::FreeLibrary(static_cast<HMODULE>(module)); }

}  // namespace detail
}  // namespace xphost
