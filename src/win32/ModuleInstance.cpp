#include "win32/ModuleInstance.h"

#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

HINSTANCE ThisModule() noexcept { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

bool PinThisModule() noexcept {
    HMODULE module = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                              reinterpret_cast<LPCWSTR>(&__ImageBase), &module) != FALSE;
}

std::string ThisModuleFileName() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(ThisModule(), path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            std::string full(path.data(), n);
            const auto slash = full.find_last_of("\\/");
            return slash == std::string::npos ? full : full.substr(slash + 1);
        }
        path.resize(path.size() * 2);
    }
}
