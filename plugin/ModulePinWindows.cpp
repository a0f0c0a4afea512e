#include "ModulePin.h"

#include <windows.h>

namespace volax {

// FreeLibrary leaves a pinned module mapped, as -z nodelete does on Linux.
bool pinThisModule() {
    HMODULE self = nullptr;
    return ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                                reinterpret_cast<LPCWSTR>(&pinThisModule), &self) != 0;
}

}  // namespace volax
