// The stand-in game's windows and its on-screen display of status lines.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct TGameWindows {
    HWND Game = nullptr;    // the game window, visible, owns the keyboard
    HWND Second = nullptr;  // a second window of the game thread
    HWND Foreign = nullptr; // a window of another thread: "another program"
};

// Creates the windows on the calling thread (the foreign one on a thread of its own).
TGameWindows CreateGameWindows();

// Destroys the game thread's windows without a WM_QUIT, as a game that replaces its
// window does; the game window of windows is null afterwards.
void DestroyGameWindows(TGameWindows& windows);

// A new game window, made the foreground window: a game's new window after a display
// mode change.
void CreateNewGameWindow(TGameWindows& windows);

// Runs once inside the text routine, after the next line is recorded: a game whose
// text routine pumps messages.
void RunInsideNextLine(void (*routine)());

// The game's text routine (cdecl): prints "line: <text>" as UTF-8 and draws it.
extern "C" void __cdecl GameShowText(const wchar_t* text, int reserved);

// Every status line received so far, as UTF-8.
const std::vector<std::string>& ReceivedLines();

// How many key-down messages (auto-repeats too) and key-up messages for the key have
// reached a game-thread window, WM_SYSKEYDOWN and WM_SYSKEYUP (Alt held) included.
int KeyDownCount(unsigned vk);
int KeyUpCount(unsigned vk);

// Saves the game window's picture as a 24-bit BMP.
bool SaveWindowPicture(HWND window, const char* path);

// Prints one line on standard output at once.
void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));
