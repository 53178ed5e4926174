#include "Script.h"

#include "BareMci.h"
#include "MciRecorder.h"

#include <tlhelp32.h>

#include <atomic>
#include <map>
#include <cstdlib>
#include <sstream>
#include <utility>

namespace {

constexpr char PluginPath[] = "vask\\quilm.dll";
HMODULE Plugin = nullptr;
std::size_t LineCursor = 0;
// The message loop took WM_QUIT: the game is ending.
bool QuitTaken = false;

unsigned long Number(const std::string& text) { return std::strtoul(text.c_str(), nullptr, 0); }

void NoObserver(const MSG&) {}

// Dispatches what is queued; observe sees each message first.
template <class Observe = decltype(&NoObserver)>
void PumpPending(const THostOptions& options, Observe observe = &NoObserver) {
    MSG msg;
    while (!QuitTaken) {
        if (options.PeekFirst && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) return;
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
        if (msg.message == WM_QUIT) {
            QuitTaken = true;
            Report("quit: the message loop ended");
            return;
        }
        observe(msg);
        RecordTakenMessage(msg);
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Runs the message loop until done(), the time is up or the loop ends; true when
// done() held.
template <class Done, class Observe = decltype(&NoObserver)>
bool PumpUntil(DWORD timeoutMs, const THostOptions& options, Done done, Observe observe = &NoObserver) {
    const DWORD start = GetTickCount();
    for (;;) {
        PumpPending(options, observe);
        if (done()) return true;
        if (QuitTaken) return false;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    }
}

// A key event as the keyboard sends it: the right Ctrl and Alt are extended keys (the
// system tells them from the left ones by that flag).
INPUT KeyInput(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (vk == VK_RCONTROL || vk == VK_RMENU ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

void SendKey(WORD vk, bool up) {
    INPUT input = KeyInput(vk, up);
    SendInput(1, &input, sizeof input);
}

// Key-ups the game thread has taken from its queue, whether or not a hook kept them
// from its windows: counted by a keyboard hook installed before the plug-in's, which
// every later hook hands the call on to.
HHOOK TakenKeysHook = nullptr;
std::map<unsigned, int> TakenKeyUps;

LRESULT CALLBACK CountTakenKeys(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && (lParam & (LPARAM(1) << 31))) ++TakenKeyUps[static_cast<unsigned>(wParam & 0xFF)];
    return CallNextHookEx(TakenKeysHook, code, wParam, lParam);
}

// The key code the messages of vk carry: the left and right modifiers as one.
unsigned MessageKey(WORD vk) {
    switch (vk) {
    case VK_LCONTROL: case VK_RCONTROL: return VK_CONTROL;
    case VK_LSHIFT: case VK_RSHIFT: return VK_SHIFT;
    case VK_LMENU: case VK_RMENU: return VK_MENU;
    default: return vk;
    }
}

// Sends the key-up and waits until the game thread has taken it.
void ReleaseKey(WORD vk, const THostOptions& options) {
    const unsigned key = MessageKey(vk);
    const int before = TakenKeyUps[key];
    SendKey(vk, true);
    PumpUntil(2000, options, [&] { return TakenKeyUps[key] > before; });
}

// The modifier keys of a text such as "ctrl+shift", in order; false for an unknown one.
bool ModifierKeys(const std::string& text, std::vector<WORD>& keys) {
    std::istringstream in(text);
    for (std::string name; std::getline(in, name, '+');) {
        if (name == "ctrl") keys.push_back(VK_LCONTROL);
        else if (name == "rctrl") keys.push_back(VK_RCONTROL);
        else if (name == "shift") keys.push_back(VK_LSHIFT);
        else if (name == "rshift") keys.push_back(VK_RSHIFT);
        else if (name == "alt") keys.push_back(VK_LMENU);
        else if (name == "ralt") keys.push_back(VK_RMENU);
        // AltGr as Windows sends it on the layouts that have it: a left Ctrl, then the right Alt.
        else if (name == "altgr") keys.insert(keys.end(), {VK_LCONTROL, VK_RMENU});
        else return false;
    }
    return true;
}

// Presses vk with the modifiers held: repeats key-downs in all, then the key-up.
void PressWith(WORD vk, unsigned long repeats, const std::vector<WORD>& modifiers, const THostOptions& options) {
    for (WORD modifier : modifiers) {
        SendKey(modifier, false);
        PumpUntil(20, options, [] { return false; });
    }
    for (unsigned long i = 0; i < repeats; ++i) {
        SendKey(vk, false);
        PumpUntil(20, options, [] { return false; });
    }
    ReleaseKey(vk, options);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) ReleaseKey(*it, options);
}

// The same press sent whole while the loop is busy (a frame that takes long): every
// key-down and key-up is queued before the game takes the first.
void PressQueued(WORD vk, const std::vector<WORD>& modifiers, const THostOptions& options) {
    std::vector<INPUT> inputs;
    const auto add = [&](WORD key, bool up) { inputs.push_back(KeyInput(key, up)); };
    for (WORD modifier : modifiers) add(modifier, false);
    add(vk, false);
    add(vk, true);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) add(*it, true);
    const std::map<unsigned, int> before = TakenKeyUps;
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    PumpUntil(2000, options, [&] {
        const unsigned last = MessageKey(modifiers.empty() ? vk : modifiers.front());
        const auto was = before.find(last);
        return TakenKeyUps[last] > (was == before.end() ? 0 : was->second);
    });
}

std::atomic<bool> WatchingBoxes{false};

BOOL CALLBACK CollectStaticText(HWND child, LPARAM param) {
    char className[32];
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0) {
        char text[2048];
        if (GetWindowTextA(child, text, sizeof text) > 0) {
            auto* out = reinterpret_cast<std::string*>(param);
            if (!out->empty()) *out += " ";
            *out += text;
        }
    }
    return TRUE;
}

BOOL CALLBACK CloseMessageBox(HWND window, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char className[32];
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) ||
        !GetClassNameA(window, className, sizeof className) || lstrcmpA(className, "#32770") != 0)
        return TRUE;
    char title[256] = "";
    GetWindowTextA(window, title, sizeof title);
    std::string text;
    EnumChildWindows(window, CollectStaticText, reinterpret_cast<LPARAM>(&text));
    std::string shown;
    for (char c : text) {
        if (c == '\r') shown += "\\r";
        else if (c == '\n') shown += "\\n";
        else shown += c;
    }
    Report("box: %s | %s", title, shown.c_str());
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

// A failed load shows a message box inside the loader's call: find it and close it.
DWORD WINAPI WatchForMessageBoxes(void* started) {
    SetEvent(static_cast<HANDLE>(started));
    while (WatchingBoxes.load()) {
        EnumWindows(CloseMessageBox, 0);
        Sleep(50);
    }
    return 0;
}

struct TResourceCounts {
    unsigned long Handles = 0, Windows = 0, MciDevices = 0, PrivateBytes = 0, Threads = 0, UserObjects = 0,
                  GdiObjects = 0;
};

BOOL CALLBACK CountOwnWindow(HWND window, LPARAM param) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId()) ++*reinterpret_cast<unsigned long*>(param);
    return TRUE;
}

unsigned long CountThreads() {
    // Threads of this process, as a snapshot of the system's threads shows them.
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    unsigned long count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snapshot);
    return count;
}

// Counted directly, since Wine answers 0 to the handle count, GUI resource and private
// usage queries: valid handle values, top-level windows, open MCI devices, committed
// private memory.
TResourceCounts CountResources() {
    TResourceCounts c;
    // Handle values are handed out from the bottom of the table: probe upwards until a
    // long run of values is free.
    constexpr ULONG_PTR FreeRunThatEnds = 4 * 4096;
    for (ULONG_PTR value = 4, lastValid = 0; value - lastValid < FreeRunThatEnds; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++c.Handles;
            lastValid = value;
        }
    }
    EnumWindows(CountOwnWindow, reinterpret_cast<LPARAM>(&c.Windows));
    DWORD openDevices = 0;
    MCI_SYSINFO_PARMSA sysinfo{};
    sysinfo.lpstrReturn = reinterpret_cast<LPSTR>(&openDevices);
    sysinfo.dwRetSize = sizeof openDevices;
    sysinfo.wDeviceType = MCI_ALL_DEVICE_ID;
    if (mciSendCommandA(MCI_ALL_DEVICE_ID, MCI_SYSINFO, MCI_SYSINFO_QUANTITY | MCI_SYSINFO_OPEN,
                        reinterpret_cast<DWORD_PTR>(&sysinfo)) == 0)
        c.MciDevices = openDevices;
    MEMORY_BASIC_INFORMATION info;
    for (const char* at = nullptr; VirtualQuery(at, &info, sizeof info) == sizeof info;
         at = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) c.PrivateBytes += info.RegionSize;
        if (static_cast<const char*>(info.BaseAddress) + info.RegionSize < at) break;
    }
    c.Threads = CountThreads();
    c.UserObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    c.GdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return c;
}

// A file's bytes, or "<missing>" when it cannot be opened.
std::string FileText(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
    CloseHandle(file);
    return text;
}

HWND WindowNamed(const TGameWindows& windows, const std::string& name) {
    if (name == "game") return windows.Game;
    if (name == "second") return windows.Second;
    if (name == "foreign") return windows.Foreign;
    return nullptr;
}

} // namespace

bool LoadPlugin() {
    WatchingBoxes = true;
    // The watcher must be running before the loader lock is taken: a thread cannot
    // start while another thread is inside a DLL's attach.
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE watcher = CreateThread(nullptr, 0, WatchForMessageBoxes, started, 0, nullptr);
    if (watcher != nullptr) WaitForSingleObject(started, 5000);
    CloseHandle(started);
    Plugin = LoadLibraryA(PluginPath);
    const DWORD error = GetLastError();
    WatchingBoxes = false;
    if (watcher != nullptr) {
        WaitForSingleObject(watcher, INFINITE);
        CloseHandle(watcher);
    }
    if (Plugin == nullptr) {
        Report("load: failed %lu", static_cast<unsigned long>(error));
        return false;
    }
    Report("load: ok");
    RecordMciOf(Plugin);
    return true;
}

int RunMessageLoop(const THostOptions& options) {
    PumpUntil(INFINITE, options, [] { return false; });
    return ExitDone;
}

DWORD WINAPI FreeOnThisThread(void* module) { return FreeLibrary(static_cast<HMODULE>(module)) ? 0 : 1; }

namespace {

// The way a game quits: its window is closed, the window procedure destroys it, its
// WM_DESTROY posts WM_QUIT and the loop ends on it. Nothing is shown after this starts.
int QuitLikeAGame(HWND gameWindow, const THostOptions& options, int status) {
    if (QuitTaken) return status;
    Report("quit: begins");
    // A game whose window is gone already quits by its loop alone.
    if (gameWindow != nullptr)
        PostMessageA(gameWindow, WM_CLOSE, 0, 0);
    else
        PostQuitMessage(0);
    if (!PumpUntil(5000, options, [] { return QuitTaken; })) {
        Report("timeout: the message loop did not end");
        return ExitTimedOut;
    }
    return status;
}

// Quits inside the text routine: posts WM_QUIT and pumps until the loop has taken it.
void QuitNowInsideLine() {
    Report("quit: begins");
    PostQuitMessage(0);
    PumpUntil(5000, THostOptions{}, [] { return QuitTaken; });
}

// The same once a track's end notification has been dispatched inside the routine.
void QuitInsideLine() {
    bool trackEnded = false;
    PumpUntil(10000, THostOptions{}, [&] { return trackEnded; }, [&](const MSG& msg) {
        if (msg.message == MM_MCINOTIFY && msg.wParam == MCI_NOTIFY_SUCCESSFUL) trackEnded = true;
    });
    QuitNowInsideLine();
}

// The script's windows, for what runs inside the text routine.
TGameWindows* ScriptWindows = nullptr;

// Inside the text routine: the game's windows go (no WM_QUIT), and what that sends is
// pumped. The game ends there: the loop goes on, and the script's end quits by it alone.
void WindowsGoInsideLine() {
    Report("quit: begins");
    DestroyGameWindows(*ScriptWindows);
    PumpUntil(100, THostOptions{}, [] { return false; });
}

int RunCommands(const std::vector<std::string>& lines, TGameWindows& windows, const THostOptions& options) {
    TakenKeysHook = SetWindowsHookExA(WH_KEYBOARD, &CountTakenKeys, nullptr, GetCurrentThreadId());
    SetForegroundWindow(windows.Game);
    PumpUntil(100, options, [] { return false; });
    for (const std::string& line : lines) {
        if (QuitTaken) {
            Report("script: the game ended before: %s", line.c_str());
            return ExitDone;
        }
        std::istringstream in(line);
        std::string command;
        in >> command;
        if (command.empty() || command[0] == '#') continue;
        std::string a, b;
        in >> a >> b;
        if (command == "load" || command == "load-within") {
            const DWORD started = GetTickCount();
            if (!LoadPlugin()) return ExitLoadFailed;
            const DWORD took = GetTickCount() - started;
            if (command == "load-within" && took > Number(a)) {
                Report("timeout: the load took %lu ms", static_cast<unsigned long>(took));
                return ExitTimedOut;
            }
            // A failure box may have taken the foreground: give it back to the game.
            SetForegroundWindow(windows.Game);
            PumpUntil(50, options, [] { return false; });
        } else if (command == "unload") {
            if (Plugin != nullptr) FreeLibrary(std::exchange(Plugin, nullptr));
            Report("unload: done");
        } else if (command == "unload-thread") {
            // Another thread of the game frees the plug-in, as some loaders do.
            HMODULE module = std::exchange(Plugin, nullptr);
            HANDLE thread = CreateThread(nullptr, 0, &FreeOnThisThread, module, 0, nullptr);
            if (thread != nullptr) {
                WaitForSingleObject(thread, INFINITE);
                CloseHandle(thread);
            }
            Report("unload: done on another thread");
        } else if (command == "press-queued") {
            std::vector<WORD> modifiers;
            if (!ModifierKeys(b, modifiers)) {
                Report("script: unknown modifiers %s", b.c_str());
                return ExitBadScript;
            }
            PressQueued(static_cast<WORD>(Number(a)), modifiers, options);
        } else if (command == "press" || command == "hold") {
            const auto vk = static_cast<WORD>(Number(a));
            const bool hold = command == "hold";
            std::string modifierText = hold ? "" : b;
            if (hold) in >> modifierText;
            std::vector<WORD> modifiers;
            if (!modifierText.empty() && !ModifierKeys(modifierText, modifiers)) {
                Report("script: unknown modifiers %s", modifierText.c_str());
                return ExitBadScript;
            }
            PressWith(vk, hold ? (b.empty() ? 5 : Number(b)) : 1, modifiers, options);
        } else if (command == "count-keys") {
            const auto vk = static_cast<unsigned>(Number(a));
            Report("keys: %u down=%d up=%d", vk, KeyDownCount(vk), KeyUpCount(vk));
        } else if (command == "wait") {
            PumpUntil(Number(a), options, [] { return false; });
        } else if (command == "waitline") {
            const DWORD timeout = b.empty() ? 10000 : Number(b);
            // "_" stands for a blank inside the prefix.
            std::string prefix = a;
            for (char& c : prefix)
                if (c == '_') c = ' ';
            const auto& received = ReceivedLines();
            const bool found = PumpUntil(timeout, options, [&] {
                for (; LineCursor < received.size(); ++LineCursor) {
                    if (received[LineCursor].rfind(prefix, 0) == 0) {
                        ++LineCursor;
                        return true;
                    }
                }
                return false;
            });
            if (!found) {
                Report("timeout: waitline %s", prefix.c_str());
                return ExitTimedOut;
            }
        } else if (command == "waitfile") {
            // The rest of the line after the path is the text (UTF-8) the file must come
            // to hold; nothing after the path: an empty file.
            std::istringstream rest(line);
            std::string skip, want;
            rest >> skip >> skip;
            std::getline(rest >> std::ws, want);
            std::string have;
            bool same = false;
            for (int round = 0; round < 200 && !same && !QuitTaken; ++round)
                same = PumpUntil(50, options, [&] { return (have = FileText(a)) == want; });
            Report(same ? "file: %s \"%s\"" : "timeout: waitfile %s holds \"%s\"", a.c_str(), have.c_str());
            if (!same) return ExitTimedOut;
        } else if (command == "focus") {
            HWND target = WindowNamed(windows, a);
            if (target == nullptr) {
                Report("script: unknown window %s", a.c_str());
                return ExitBadScript;
            }
            SetForegroundWindow(target);
            PumpUntil(100, options, [] { return false; });
        } else if (command == "close") {
            HWND target = WindowNamed(windows, a);
            if (target == nullptr) {
                Report("script: unknown window %s", a.c_str());
                return ExitBadScript;
            }
            if (target == windows.Game) Report("quit: begins");
            PostMessageA(target, WM_CLOSE, 0, 0);
            PumpUntil(200, options, [] { return false; });
        } else if (command == "destroy-windows") {
            Report("windows: destroyed");
            DestroyGameWindows(windows);
            PumpUntil(100, options, [] { return false; });
        } else if (command == "new-window") {
            CreateNewGameWindow(windows);
            Report("windows: new");
            PumpUntil(100, options, [] { return false; });
        } else if (command == "quit-inside-next-line") {
            RunInsideNextLine(a == "now" ? &QuitNowInsideLine : &QuitInsideLine);
        } else if (command == "windows-go-inside-next-line") {
            ScriptWindows = &windows;
            RunInsideNextLine(&WindowsGoInsideLine);
        } else if (command == "end-by-windows") {
            // A game whose loop ends when its windows are gone, with no WM_QUIT, and
            // which then ends its process.
            Report("quit: begins");
            DestroyGameWindows(windows);
            Report("script: done");
            ExitProcess(ExitDone);
        } else if (command == "exit-process") {
            // A game that ends its process from inside its loop, windows and all.
            Report("script: done");
            ExitProcess(ExitDone);
        } else if (command == "activate") {
            SendMessageA(windows.Game, WM_ACTIVATE, Number(a), 0);
            PumpUntil(20, options, [] { return false; });
        } else if (command == "screenshot") {
            PumpUntil(100, options, [] { return false; });
            Report("screenshot: %s %s", a.c_str(), SaveWindowPicture(windows.Game, a.c_str()) ? "saved" : "failed");
        } else if (command == "delete") {
            Report("delete: %s %s", a.c_str(), DeleteFileA(a.c_str()) ? "done" : "failed");
        } else if (command == "chdir") {
            // A game that moves to its data folder once its loader has run.
            Report("chdir: %s %s", a.c_str(), SetCurrentDirectoryA(a.c_str()) ? "done" : "failed");
        } else if (command == "lock") {
            // Another program holds the file open without sharing it.
            HANDLE file = CreateFileA(a.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            Report("lock: %s %s", a.c_str(), file != INVALID_HANDLE_VALUE ? "held" : "failed");
        } else if (command == "stats") {
            // What the process holds: a leak of windows, devices, files or threads shows here.
            const TResourceCounts c = CountResources();
            Report("stats: %s handles=%lu windows=%lu mci=%lu private=%lu threads=%lu user=%lu gdi=%lu", a.c_str(),
                   c.Handles, c.Windows, c.MciDevices, c.PrivateBytes, c.Threads, c.UserObjects, c.GdiObjects);
        } else if (command == "calibrate") {
            // Handles the platform's own MCI keeps for what one track change asks of it
            // (open, length, close; open, mode, play, stop, close), with no plug-in code
            // involved: Wine's MPEG device keeps some on every open.
            const unsigned long cycles = b.empty() ? 10 : Number(b);
            const unsigned long before = CountResources().Handles;
            for (unsigned long i = 0; i < cycles; ++i) BareStopAndClose(BareOpenAndPlay(a.c_str()));
            const unsigned long after = CountResources().Handles;
            Report("calibrate: cycles=%lu handles-per-change=%.2f", cycles,
                   static_cast<double>(after > before ? after - before : 0) / static_cast<double>(cycles));
        } else if (command == "exit") {
            break;
        } else {
            Report("script: unknown command %s", command.c_str());
            return ExitBadScript;
        }
    }
    Report("script: done");
    return ExitDone;
}

} // namespace

int RunScript(const std::vector<std::string>& lines, TGameWindows& windows, const THostOptions& options) {
    const int status = RunCommands(lines, windows, options);
    return QuitLikeAGame(windows.Game, options, status);
}
