#include "plugin/LoadFailure.h"

#include <windows.h>

#include "core/NumberText.h"
#include "win32/ModuleInstance.h"

std::string LoadFailureText(const char* className, const std::string& moduleName, std::uintptr_t offset,
                            const std::string& message) {
    const char* fullStop = (!message.empty() && message.back() == '.') ? "" : ".";
    return std::string("Exception ") + className + " in module " + moduleName + " at " +
           HexText(static_cast<unsigned>(offset), 8) + ".\r\n" + message + fullStop + "\r\n";
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
