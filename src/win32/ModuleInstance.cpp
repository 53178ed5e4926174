#include "win32/ModuleInstance.h"

#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

HINSTANCE ThisModule() noexcept { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

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
