#include "plugin/LoadFailure.h"

#include <windows.h>

#include <cstdio>

#include "win32/ModuleInstance.h"

std::string LoadFailureText(const char* className, const std::string& moduleName, std::uintptr_t offset,
                            const std::string& message) {
    const char* fullStop = (!message.empty() && message.back() == '.') ? "" : ".";
    const int length = std::snprintf(nullptr, 0, "Exception %s in module %s at %08X.\r\n%s%s\r\n", className,
                                     moduleName.c_str(), static_cast<unsigned>(offset), message.c_str(), fullStop);
    std::string text(static_cast<std::size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, "Exception %s in module %s at %08X.\r\n%s%s\r\n", className,
                  moduleName.c_str(), static_cast<unsigned>(offset), message.c_str(), fullStop);
    return text;
}

void ShowLoadFailure(const char* className, const std::string& message, const void* address) noexcept {
    try {
        const auto base = reinterpret_cast<std::uintptr_t>(ThisModule());
        const auto at = reinterpret_cast<std::uintptr_t>(address);
        const std::uintptr_t offset = at >= base ? at - base : at;
        const std::string text = LoadFailureText(className, ThisModuleFileName(), offset, message);
        MessageBoxA(nullptr, text.c_str(), "Application Error", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
    } catch (...) {
        // Out of memory while reporting: the load fails all the same.
    }
}
