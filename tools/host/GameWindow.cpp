#include "GameWindow.h"

#include <cstdarg>
#include <cstdio>
#include <deque>
#include <map>
#include <utility>

namespace {

constexpr char GameClass[] = "QuilmStandInGame";
constexpr char ForeignClass[] = "QuilmStandInOther";
constexpr std::size_t ShownLines = 6;

std::vector<std::string> Lines;
std::deque<std::wstring> RecentLines;
std::map<unsigned, int> KeyDowns; // key-downs and auto-repeats
std::map<unsigned, int> KeyUps;
HWND GameWindow = nullptr;
bool QuitOnDestroy = true;
void (*InsideNextLine)() = nullptr;

std::string ToUtf8(const wchar_t* text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return {};
    std::string out(static_cast<std::size_t>(n - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
    return out;
}

void Paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    HBRUSH sky = CreateSolidBrush(RGB(24, 40, 64));
    FillRect(dc, &client, sky);
    DeleteObject(sky);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(120, 140, 170));
    const wchar_t* title = L"Stand-in game  (F5 on/off, F6 next, F7 prev, F8 pause, F9 shuffle, End quit)";
    TextOutW(dc, 12, client.bottom - 28, title, static_cast<int>(wcslen(title)));
    SetTextColor(dc, RGB(255, 230, 120));
    int y = 12;
    for (const std::wstring& line : RecentLines) {
        TextOutW(dc, 12, y, line.c_str(), static_cast<int>(line.size()));
        y += 22;
    }
    EndPaint(window, &ps);
}

LRESULT CALLBACK GameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    // Keys: counted, then handled as the system does (Wine sends Alt's release as a
    // WM_KEYUP), but for the menu that Alt's release opens: reported, not entered.
    case WM_KEYDOWN:
        ++KeyDowns[static_cast<unsigned>(wParam)];
        Report("key: down %u", static_cast<unsigned>(wParam));
        break;
    case WM_KEYUP:
        ++KeyUps[static_cast<unsigned>(wParam)];
        Report("key: up %u", static_cast<unsigned>(wParam));
        break;
    case WM_SYSKEYDOWN:
        ++KeyDowns[static_cast<unsigned>(wParam)];
        Report("key: sysdown %u", static_cast<unsigned>(wParam));
        break;
    case WM_SYSKEYUP:
        ++KeyUps[static_cast<unsigned>(wParam)];
        Report("key: sysup %u", static_cast<unsigned>(wParam));
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_KEYMENU && lParam == 0) {
            Report("menu: opened by the keyboard");
            return 0;
        }
        break;
    case WM_PAINT:
        if (window == GameWindow) {
            Paint(window);
            return 0;
        }
        break;
    case WM_CLOSE:
        // As games do: the window goes, and with the game window the message loop.
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        if (window == GameWindow) {
            GameWindow = nullptr;
            if (QuitOnDestroy) PostQuitMessage(0);
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

DWORD WINAPI ForeignThread(void* parameter) {
    auto* created = static_cast<HWND*>(parameter);
    HWND window = CreateWindowExA(0, ForeignClass, "Another program", WS_OVERLAPPEDWINDOW, 700, 40, 240, 120, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    InterlockedExchangePointer(reinterpret_cast<void**>(created), window);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}

} // namespace

void Report(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

extern "C" void __cdecl GameShowText(const wchar_t* text, int reserved) {
    if (reserved != 0) Report("line-arg: %d", reserved);
    if (text == nullptr) {
        Report("line-null:");
        return;
    }
    Lines.push_back(ToUtf8(text));
    Report("line: %s", Lines.back().c_str());
    RecentLines.emplace_back(text);
    if (RecentLines.size() > ShownLines) RecentLines.pop_front();
    if (GameWindow != nullptr) InvalidateRect(GameWindow, nullptr, TRUE);
    if (InsideNextLine != nullptr) std::exchange(InsideNextLine, nullptr)();
}

void RunInsideNextLine(void (*routine)()) { InsideNextLine = routine; }

const std::vector<std::string>& ReceivedLines() { return Lines; }

void DestroyGameWindows(TGameWindows& windows) {
    QuitOnDestroy = false;
    if (IsWindow(windows.Second)) DestroyWindow(windows.Second);
    if (IsWindow(windows.Game)) DestroyWindow(windows.Game);
    QuitOnDestroy = true;
    windows.Game = windows.Second = nullptr;
}

void CreateNewGameWindow(TGameWindows& windows) {
    windows.Game = CreateWindowExA(0, GameClass, "Stand-in game", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 640, 360,
                                   nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    GameWindow = windows.Game;
    SetForegroundWindow(windows.Game);
    SetFocus(windows.Game);
}

int KeyDownCount(unsigned vk) {
    const auto it = KeyDowns.find(vk);
    return it == KeyDowns.end() ? 0 : it->second;
}

int KeyUpCount(unsigned vk) {
    const auto it = KeyUps.find(vk);
    return it == KeyUps.end() ? 0 : it->second;
}

TGameWindows CreateGameWindows() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSW game{};
    game.lpfnWndProc = GameProc;
    game.hInstance = instance;
    game.hCursor = LoadCursor(nullptr, IDC_ARROW);
    game.lpszClassName = L"QuilmStandInGame";
    RegisterClassW(&game);
    WNDCLASSA foreign{};
    foreign.lpfnWndProc = DefWindowProcA;
    foreign.hInstance = instance;
    foreign.lpszClassName = ForeignClass;
    RegisterClassA(&foreign);

    TGameWindows windows;
    windows.Game = CreateWindowExA(0, GameClass, "Stand-in game", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 640, 360,
                                   nullptr, nullptr, instance, nullptr);
    GameWindow = windows.Game;
    windows.Second = CreateWindowExA(0, GameClass, "Game: second window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 420,
                                     320, 120, nullptr, nullptr, instance, nullptr);
    HWND foreignWindow = nullptr;
    HANDLE thread = CreateThread(nullptr, 0, ForeignThread, &foreignWindow, 0, nullptr);
    if (thread != nullptr) {
        for (int i = 0; i < 200 && InterlockedCompareExchangePointer(reinterpret_cast<void**>(&foreignWindow), nullptr,
                                                                     nullptr) == nullptr;
             ++i)
            Sleep(10);
        CloseHandle(thread);
    }
    windows.Foreign = foreignWindow;
    SetForegroundWindow(windows.Game);
    SetFocus(windows.Game);
    return windows;
}

bool SaveWindowPicture(HWND window, const char* path) {
    RECT rect;
    GetClientRect(window, &rect);
    const int width = rect.right;
    const int height = rect.bottom;
    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memoryDc, bitmap);
    // Draw afresh into the bitmap rather than copying the screen, which may be covered.
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memoryDc), PRF_CLIENT);
    BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD rowBytes = ((static_cast<DWORD>(width) * 3 + 3) / 4) * 4;
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageBytes;
    bool saved = false;
    if (FILE* out = std::fopen(path, "wb")) {
        saved = std::fwrite(&file, sizeof file, 1, out) == 1 &&
                std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                std::fwrite(bits, imageBytes, 1, out) == 1;
        std::fclose(out);
    }
    SelectObject(memoryDc, old);
    DeleteObject(bitmap);
    DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    return saved;
}
