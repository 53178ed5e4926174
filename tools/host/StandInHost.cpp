// A Windows program that stands in for the game: a game window with its message loop
// on the main thread, the game's text routine at its fixed address, and the plug-in
// loaded from "vask\quilm.dll" on that thread, as the game's loader does.
//
//   standin-host [--build A|B] [--peek] [--record-mci] [--script FILE]
//   standin-host --hold-desktop
//
// Without --script it runs until its window is closed. Exit status: 0 script done (or
// the game ended normally), 2 the plug-in failed to load, 3 a wait timed out, 4 a fault
// in the game or the plug-in, 5 a bad script or option.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "GameWindow.h"
#include "HostSection.h"
#include "MciRecorder.h"
#include "Script.h"

namespace {

bool IsFatal(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_IN_PAGE_ERROR:
        return true;
    default:
        return false;
    }
}

bool InSystemModule(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &module))
        return false; // code outside every module: a jump into nowhere
    if (module == GetModuleHandleA(nullptr)) return false;
    char path[MAX_PATH];
    GetModuleFileNameA(module, path, sizeof path);
    return std::strstr(path, "quilm") == nullptr;
}

// Wine swallows faults inside window and hook procedures; a real game would crash.
LONG CALLBACK ReportFault(EXCEPTION_POINTERS* info) {
    const DWORD code = info->ExceptionRecord->ExceptionCode;
    const void* address = info->ExceptionRecord->ExceptionAddress;
    if (!IsFatal(code) || InSystemModule(address)) return EXCEPTION_CONTINUE_SEARCH;
    Report("fault: code %08lX at %p", static_cast<unsigned long>(code), address);
    TerminateProcess(GetCurrentProcess(), ExitFault);
    return EXCEPTION_CONTINUE_SEARCH;
}

std::vector<std::string> ReadScript(const char* path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--hold-desktop") == 0) {
        // A test bench's helper: under Wine the desktop process ends about a second
        // after the last program that uses it, and each new game would start it again.
        // This one uses the desktop, shows nothing and waits until it is ended.
        GetDesktopWindow();
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
        return 0;
    }
    THostBuild build = THostBuild::First;
    THostOptions options;
    const char* scriptPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--build") == 0 && i + 1 < argc) {
            build = (argv[++i][0] == 'B' || argv[i][0] == 'b') ? THostBuild::Other : THostBuild::First;
        } else if (std::strcmp(argv[i], "--peek") == 0) {
            options.PeekFirst = true;
        } else if (std::strcmp(argv[i], "--record-mci") == 0) {
            EnableMciRecording();
        } else if (std::strcmp(argv[i], "--script") == 0 && i + 1 < argc) {
            scriptPath = argv[++i];
        } else {
            std::fprintf(stderr, "usage: standin-host [--build A|B] [--peek] [--record-mci] [--script FILE]\n");
            return ExitBadScript;
        }
    }

    AddVectoredExceptionHandler(1, ReportFault);
    InstallHostRoutine(build, &GameShowText);
    TGameWindows windows = CreateGameWindows();

    if (scriptPath == nullptr) {
        if (!LoadPlugin()) return ExitLoadFailed;
        return RunMessageLoop(options);
    }
    const std::vector<std::string> script = ReadScript(scriptPath);
    if (script.empty()) {
        Report("script: cannot read %s", scriptPath);
        return ExitBadScript;
    }
    const int status = RunScript(script, windows, options);
    std::fflush(stdout);
    // Back from main as a game is when its loop has ended: the runtime ends the
    // process, and the plug-in's process detach runs.
    return status;
}
