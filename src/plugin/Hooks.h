// The keyboard hook that turns the hot keys into player actions, the activation hook
// that pauses the track while the game is in the background, and the message hook
// that sees the game's message loop end.
#pragma once

#include <windows.h>

#include "win32/Handles.h"

// The three hooks on the thread that makes this object, for as long as it lives. A
// hook that cannot be installed is left out.
class THooks {
public:
    THooks() noexcept;
    ~THooks();
    THooks(const THooks&) = delete;
    THooks& operator=(const THooks&) = delete;

private:
    UniqueHook FKeyboard;
    UniqueHook FActivate;
    UniqueHook FGameMessage;
};

// True while all three hooks are in place.
bool HooksInstalled() noexcept;

// Key messages as the game takes them: a fresh press of a hot key runs its action (the
// held modifiers are read, at that press, only for a key that a combination uses); with
// the hot keys kept from the game, that press, its auto-repeats and its key-up are
// swallowed, and when Alt was held, an unassigned key's press goes to the window just
// before Alt's release.
LRESULT CALLBACK KeyboardHook(int nCode, WPARAM wParam, LPARAM lParam) noexcept;
// Sent messages as the window procedure returns: WM_ACTIVATE pauses and resumes, the
// WM_DESTROY of the thread's last game window closes the music until a new game window
// is activated.
LRESULT CALLBACK ActivateHook(int nCode, WPARAM wParam, LPARAM lParam) noexcept;
// Messages the game's loop takes from the queue: WM_QUIT ends the music.
LRESULT CALLBACK GameMessageHook(int nCode, WPARAM wParam, LPARAM lParam) noexcept;

// True when window is a top-level window of the calling thread, not one of the
// plug-in's own, and no other such window of the thread remains (windows it owns are
// going with it; the system's input-method windows are not the game's).
bool IsLastGameWindow(HWND window) noexcept;
