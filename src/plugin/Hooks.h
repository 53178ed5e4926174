// The keyboard hook that turns the hot keys into player actions, and the activation
// hook that pauses the track while the game is in the background.
#pragma once

#include <windows.h>

// True while a deactivation has paused the track and no activation has resumed it.
extern bool PausedByFocus;

// Installs both hooks on the calling thread (failures leave a null handle).
void InstallHooks() noexcept;
// Removes both hooks (process detach).
void RemoveHooks() noexcept;
// True while both hooks are in place.
bool HooksInstalled() noexcept;

LRESULT CALLBACK KeyboardHook(int nCode, WPARAM wParam, LPARAM lParam) noexcept;
LRESULT CALLBACK ActivateHook(int nCode, WPARAM wParam, LPARAM lParam) noexcept;
