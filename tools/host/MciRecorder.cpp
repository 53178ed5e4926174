#include "MciRecorder.h"

#include <mmsystem.h>
#include <digitalv.h>

#include <cstring>
#include <map>
#include <string>

#include "GameWindow.h"

namespace {

using TSendCommand = MCIERROR(WINAPI*)(MCIDEVICEID, UINT, DWORD_PTR, DWORD_PTR);

bool Enabled = false;
TSendCommand PassA = nullptr;
TSendCommand PassW = nullptr;
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

struct TDevice {
    std::string Name;
    std::string Volume = "none";
    bool Played = false;
};
// Commands may come from the plug-in's ticker thread too.
SRWLOCK DevicesLock = SRWLOCK_INIT;
std::map<MCIDEVICEID, TDevice> Devices;

std::string FileNamePart(std::string path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Utf8Of(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

// Notes a command once MCI has answered it (result 0).
void Note(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params, MCIDEVICEID opened,
          const std::string& element) {
    AcquireSRWLockExclusive(&DevicesLock);
    if (message == MCI_OPEN && (flags & MCI_OPEN_ELEMENT)) {
        Devices[opened] = TDevice{FileNamePart(element)};
    } else if (message == MCI_CLOSE) {
        Devices.erase(device);
    } else if (const auto found = Devices.find(device); found != Devices.end()) {
        TDevice& d = found->second;
        if (message == MCI_SETAUDIO && params && (flags & MCI_DGV_SETAUDIO_VALUE) &&
            reinterpret_cast<MCI_DGV_SETAUDIO_PARMSA*>(params)->dwItem == MCI_DGV_SETAUDIO_VOLUME) {
            d.Volume = std::to_string(reinterpret_cast<MCI_DGV_SETAUDIO_PARMSA*>(params)->dwValue);
            if (d.Played) Report("mci: volume %s %s", d.Name.c_str(), d.Volume.c_str());
        } else if (message == MCI_PLAY) {
            d.Played = true;
            Report("mci: play %s volume=%s", d.Name.c_str(), d.Volume.c_str());
        }
    }
    ReleaseSRWLockExclusive(&DevicesLock);
}

// The "command:" line of a command that has returned (an open's device is known then).
void Log(double sentMs, MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params, MCIERROR result,
         const std::string& element) {
    std::string extra;
    if (message == MCI_OPEN && params != 0) {
        device = static_cast<MCIDEVICEID>(reinterpret_cast<const MCI_OPEN_PARMSA*>(params)->wDeviceID);
        if (!element.empty()) extra = " element=" + element;
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
    Report("command: %.3f %s dev=%u flags=0x%lx rc=%lu took=%.3f%s", sentMs,
           name ? name : std::to_string(message).c_str(), static_cast<unsigned>(device),
           static_cast<unsigned long>(flags), static_cast<unsigned long>(result), NowMs() - sentMs, extra.c_str());
}

MCIERROR WINAPI RecordA(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) {
    const double sent = NowMs();
    const MCIERROR result = PassA(device, message, flags, params);
    const auto* opened = reinterpret_cast<MCI_OPEN_PARMSA*>(params);
    Log(sent, device, message, flags, params, result,
        message == MCI_OPEN && opened && (flags & MCI_OPEN_ELEMENT) && opened->lpstrElementName
            ? opened->lpstrElementName : "");
    if (result == 0) {
        const auto* open = reinterpret_cast<MCI_OPEN_PARMSA*>(params);
        const bool opening = message == MCI_OPEN && open && open->lpstrElementName;
        Note(device, message, flags, params, opening ? open->wDeviceID : 0, opening ? open->lpstrElementName : "");
    }
    return result;
}

MCIERROR WINAPI RecordW(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) {
    const double sent = NowMs();
    const MCIERROR result = PassW(device, message, flags, params);
    const auto* opened = reinterpret_cast<MCI_OPEN_PARMSW*>(params);
    Log(sent, device, message, flags, params, result,
        message == MCI_OPEN && opened && (flags & MCI_OPEN_ELEMENT) && opened->lpstrElementName
            ? Utf8Of(opened->lpstrElementName) : std::string());
    if (result == 0) {
        const auto* open = reinterpret_cast<MCI_OPEN_PARMSW*>(params);
        const bool opening = message == MCI_OPEN && open && open->lpstrElementName;
        Note(device, message, flags, params, opening ? open->wDeviceID : 0,
             opening ? Utf8Of(open->lpstrElementName) : std::string());
    }
    return result;
}

// Points the module's import of dll!name at replacement; returns what it pointed at.
void* PatchImport(HMODULE module, const char* dll, const char* name, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); d->Name != 0; ++d) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + d->Name), dll) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), name) != 0) continue;
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            void* previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return previous;
        }
    }
    return nullptr;
}

} // namespace

void EnableMciRecording() {
    Enabled = true;
    QueryPerformanceCounter(&Start);
}

void RecordTakenMessage(const MSG& message) {
    if (!Enabled || message.message != MM_MCINOTIFY) return;
    Report("notify: %.3f dev=%u code=%u window=%llu", NowMs(), static_cast<unsigned>(message.lParam),
           static_cast<unsigned>(message.wParam), static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(message.hwnd)));
}

void RecordMciOf(HMODULE module) {
    if (!Enabled || module == nullptr) return;
    // Once: a second load of the same module finds its imports pointed here already.
    if (PassA == nullptr)
        PassA = reinterpret_cast<TSendCommand>(PatchImport(module, "winmm.dll", "mciSendCommandA", reinterpret_cast<void*>(&RecordA)));
    if (PassW == nullptr)
        PassW = reinterpret_cast<TSendCommand>(PatchImport(module, "winmm.dll", "mciSendCommandW", reinterpret_cast<void*>(&RecordW)));
    if (PassA == nullptr || PassW == nullptr) Report("mci: cannot record this module's commands");
}
