// The plug-in on a slow disk (scripts/bench.sh mounts one: every directory read and
// file open waits 5 ms), with a library of 10,000 tracks in 1,000 folders by one "**"
// line:
//  - the load call (LoadLibraryA to its return): the library is read beside the game;
//  - the on key right after the load, to its "Play>" line, against the same key with a
//    one-track playlist on the same disk;
//  - the whole library in the playlist, against a bare recursive FindFirstFileW walk of
//    the same slow tree.
//
// Each load call's span is also written to load-calls.txt, one line a call: its start
// and end in wall-clock seconds since 1970, the clock of the slow disk's log of the
// calls it delays, so that the script counts the calls on the library's disk that came
// while a load call ran.
//
//   bench_slowdisk LIBRARY_FOLDER      (run in an empty scratch folder)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "BenchTree.h"
#include "HostSection.h"

namespace {

constexpr int Runs = 3;
int Copies = 0;
std::vector<std::wstring> Shown;

extern "C" void __cdecl RecordLine(const wchar_t* text, int) { Shown.emplace_back(text); }

void WriteText(const std::string& path, const std::string& text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// Now in wall-clock seconds since 1970.
double WallClockSeconds() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const ULONGLONG ticks = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<double>(ticks - 116444736000000000ULL) / 1e7;
}

// A fresh copy of the plug-in (a loaded one stays loaded) beside the configuration.
std::string PrepareCopy(const std::string& dll, const std::string& config) {
    WriteText("vask\\quilm.ini", config);
    const std::string copy = "vask\\quilm-" + std::to_string(Copies++) + ".dll";
    CopyFileA(dll.c_str(), copy.c_str(), FALSE);
    return copy;
}

HMODULE Load(const std::string& copy) {
    HMODULE plugin = LoadLibraryA(copy.c_str());
    if (plugin == nullptr) std::exit(2);
    return plugin;
}

HMODULE LoadCopy(const std::string& dll, const std::string& config) { return Load(PrepareCopy(dll, config)); }

void PressKey(WORD key) {
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

// Runs the messages waiting for the calling thread.
void RunWaitingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Runs the message loop until a line that starts with prefix is shown; false after 30 s.
bool PumpUntilLine(const wchar_t* prefix) {
    const std::size_t length = wcslen(prefix);
    const DWORD start = GetTickCount();
    for (std::size_t seen = Shown.size(); GetTickCount() - start < 30000;) {
        RunWaitingMessages();
        for (; seen < Shown.size(); ++seen)
            if (Shown[seen].compare(0, length, prefix) == 0) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    return false;
}

// Microseconds from the on key (each copy has a key of its own: the copies loaded before
// keep their hooks) to its "Play>" line; the track is stopped again afterwards.
// Waits for the copy's scan to end before it returns.
double KeyToPlay(const std::string& dll, const std::string& playlistLine) {
    const WORD key = static_cast<WORD>('A' + Copies % 26);
    const std::vector<DWORD> before = ProcessThreads();
    LoadCopy(dll, "[keys]\r\nkey_on=" + std::to_string(key) + "\r\n[playlist]\r\n" + playlistLine + "\r\n");
    const double start = NowMicroseconds();
    PressKey(key);
    // (Taken after the key: the timing starts right after the load.)
    const std::vector<HANDLE> scan = NewThreads(before);
    if (!PumpUntilLine(L"Play>")) std::fprintf(stderr, "no \"Play>\" line\n");
    const double elapsed = NowMicroseconds() - start;
    PressKey(key);
    PumpUntilLine(L"Stopped>");
    WaitForThreads(scan);
    return elapsed;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_slowdisk LIBRARY_FOLDER\n");
        return 5;
    }
    const std::string library = argv[1];
    const std::wstring libraryWide(library.begin(), library.end());
    InstallHostRoutine(THostBuild::First, &RecordLine);
    CreateDirectoryA("vask", nullptr);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string dll = self;
    dll = dll.substr(0, dll.find_last_of('\\')) + "\\quilm.dll";
    const std::string treeConfig = "[keys]\r\nkey_on=0\r\n[playlist]\r\n" + library + "\\**\r\n";

    // The game's window is there before its loader runs (and with it the window system's
    // set-up of the process and the thread).
    HWND window = CreateWindowExA(0, "STATIC", "bench", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(window);
    SetFocus(window);
    RunWaitingMessages();

    // The load call, and the whole library in: the load's own thread count comes back
    // when the scan beside it is over.
    std::vector<double> loads, wholes, bares;
    std::string loadSpans;
    for (int run = 0; run < Runs; ++run) {
        const std::string copy = PrepareCopy(dll, treeConfig);
        const std::vector<DWORD> threads = ProcessThreads();
        const double wallStart = WallClockSeconds();
        const double start = NowMicroseconds();
        Load(copy);
        loads.push_back(NowMicroseconds() - start);
        char span[64];
        std::snprintf(span, sizeof span, "%.6f %.6f\n", wallStart, WallClockSeconds());
        loadSpans += span;
        WaitForNewThreads(threads);
        RunWaitingMessages(); // what the scan told the game thread
        wholes.push_back(NowMicroseconds() - start);
        int files = 0;
        const double bareStart = NowMicroseconds();
        WalkTree(libraryWide, files);
        bares.push_back(NowMicroseconds() - bareStart);
        if (files != 10000) std::fprintf(stderr, "walk found %d files\n", files);
    }
    WriteText("load-calls.txt", loadSpans);

    // The on key right after the load, against a one-track playlist on the same disk.
    std::vector<double> keyTimes, flatTimes;
    for (int run = 0; run < Runs; ++run) {
        keyTimes.push_back(KeyToPlay(dll, library + "\\**"));
        flatTimes.push_back(KeyToPlay(dll, library + "\\a0\\b0\\c0\\t0.mp3"));
    }

    const double load = Median(loads), whole = Median(wholes), bare = Median(bares);
    const double key = Median(keyTimes), flat = Median(flatTimes);
    std::printf("| slow disk: load call, library of 10,000 tracks by one ** line | %.1f ms | (within 50 ms) | |\n",
                load / 1000);
    std::printf("| slow disk: on key right after the load to \"Play>\" | %.1f ms | the same key, one-track playlist "
                "%.1f ms | +%.1f ms |\n",
                key / 1000, flat / 1000, (key - flat) / 1000);
    std::printf("| slow disk: the whole library in the playlist | %.1f ms | bare recursive FindFirstFileW walk "
                "%.1f ms | %.2f |\n",
                whole / 1000, bare / 1000, whole / bare);
    DestroyWindow(window);
    return 0;
}
