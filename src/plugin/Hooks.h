// The keyboard hook that turns the hot keys into player actions, and the activation
// hook that pauses the track while the game is in the background.
#pragma once

#include <windows.h>

// Both hooks on the thread that makes this object, for as long as it lives. A hook
// that cannot be installed is left out.
class THooks {
public:
    THooks() noexcept;
    ~THooks();
    THooks(const THooks&) = delete;
    THooks& operator=(const THooks&) = delete;
};

// True while both hooks are in place.
bool HooksInstalled() noexcept;

LRESULT CALLBACK KeyboardHook(int nCode, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT CALLBACK ActivateHook(int nCode, WPARAM wParam, LPARAM lParam) noexcept;
