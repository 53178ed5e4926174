#include "MciRecorder.h"

#include <mmsystem.h>
#include <digitalv.h>

#include <string>

#include "GameWindow.h"

namespace {

using TSendCommandA = MCIERROR(WINAPI*)(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR);
using TSendCommandW = MCIERROR(WINAPI*)(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR);

TSendCommandA RealSendA = nullptr;
TSendCommandW RealSendW = nullptr;
bool Recording = false;
LARGE_INTEGER Start{};

double NowMs() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - Start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

const char* CommandName(UINT message) {
    switch (message) {
    case MCI_OPEN: return "open";
    case MCI_CLOSE: return "close";
    case MCI_PLAY: return "play";
    case MCI_STOP: return "stop";
    case MCI_PAUSE: return "pause";
    case MCI_RESUME: return "resume";
    case MCI_SET: return "set";
    case MCI_STATUS: return "status";
    case MCI_SEEK: return "seek";
    case MCI_SETAUDIO: return "setaudio";
    default: return nullptr;
    }
}

std::string Narrow(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<std::size_t>(n - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

// One command's line, once it has returned (an open's device is known then).
void ReportCommand(double sentMs, MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params, MCIERROR rc,
            bool wide) {
    std::string extra;
    if (message == MCI_OPEN && params != 0) {
        if (wide) {
            const auto* open = reinterpret_cast<const MCI_OPEN_PARMSW*>(params);
            device = static_cast<MCIDEVICEID>(open->wDeviceID);
            if ((flags & MCI_OPEN_ELEMENT) && open->lpstrElementName)
                extra = " element=" + Narrow(open->lpstrElementName);
        } else {
            const auto* open = reinterpret_cast<const MCI_OPEN_PARMSA*>(params);
            device = static_cast<MCIDEVICEID>(open->wDeviceID);
            if ((flags & MCI_OPEN_ELEMENT) && open->lpstrElementName)
                extra = std::string(" element=") + open->lpstrElementName;
        }
    } else if (message == MCI_SETAUDIO && params != 0 && (flags & MCI_DGV_SETAUDIO_VALUE)) {
        extra = " volume=" + std::to_string(reinterpret_cast<const MCI_DGV_SETAUDIO_PARMSA*>(params)->dwValue);
    } else if (message == MCI_PLAY && params != 0) {
        const auto* play = reinterpret_cast<const MCI_PLAY_PARMS*>(params);
        if (flags & MCI_FROM) extra = " from=" + std::to_string(play->dwFrom);
        if (flags & MCI_NOTIFY) extra += " window=" + std::to_string(play->dwCallback);
    } else if (message == MCI_STATUS && params != 0) {
        extra = " item=" + std::to_string(reinterpret_cast<const MCI_STATUS_PARMS*>(params)->dwItem);
    }
    const char* name = CommandName(message);
    const std::string shown = name ? name : std::to_string(message);
    ::Report("mci: %.3f %s dev=%u flags=0x%lx rc=%lu took=%.3f%s", sentMs, shown.c_str(),
             static_cast<unsigned>(device), static_cast<unsigned long>(flags), static_cast<unsigned long>(rc),
             NowMs() - sentMs, extra.c_str());
}

MCIERROR WINAPI RecordedSendA(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) {
    const double sent = NowMs();
    const MCIERROR rc = RealSendA(device, message, flags, params);
    ReportCommand(sent, device, message, flags, params, rc, false);
    return rc;
}

MCIERROR WINAPI RecordedSendW(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) {
    const double sent = NowMs();
    const MCIERROR rc = RealSendW(device, message, flags, params);
    ReportCommand(sent, device, message, flags, params, rc, true);
    return rc;
}

// Replaces each import slot of module that holds target; the number replaced.
int ReplaceImport(HMODULE module, void* target, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return 0;
    int replaced = 0;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name != 0;
         ++entry) {
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk); slot->u1.Function != 0;
             ++slot) {
            if (reinterpret_cast<void*>(slot->u1.Function) != target) continue;
            DWORD protection = 0;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &protection);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, protection, &protection);
            ++replaced;
        }
    }
    return replaced;
}

} // namespace

bool RecordMciCommandsOf(HMODULE module) {
    HMODULE winmm = GetModuleHandleA("winmm.dll");
    if (winmm == nullptr || module == nullptr) return false;
    RealSendA = reinterpret_cast<TSendCommandA>(reinterpret_cast<void*>(GetProcAddress(winmm, "mciSendCommandA")));
    RealSendW = reinterpret_cast<TSendCommandW>(reinterpret_cast<void*>(GetProcAddress(winmm, "mciSendCommandW")));
    QueryPerformanceCounter(&Start);
    const int replaced = ReplaceImport(module, reinterpret_cast<void*>(RealSendA), reinterpret_cast<void*>(&RecordedSendA)) +
                         ReplaceImport(module, reinterpret_cast<void*>(RealSendW), reinterpret_cast<void*>(&RecordedSendW));
    Recording = replaced > 0;
    return Recording;
}

bool RecordingMci() { return Recording; }

void RecordTakenMessage(const MSG& message) {
    if (!Recording || message.message != MM_MCINOTIFY) return;
    ::Report("notify: %.3f dev=%u code=%u window=%llu", NowMs(), static_cast<unsigned>(message.lParam),
             static_cast<unsigned>(message.wParam),
             static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(message.hwnd)));
}
