// The plug-in's load-time sequence and its counterpart at process detach.
#pragma once

#include <windows.h>

#include <memory>

#include "player/Mp3Player.h"

inline constexpr char ConfigFileName[] = "vask\\quilm.ini";
inline constexpr char KeysSection[] = "keys";

// The one player; none without a configuration file and after process detach.
extern std::unique_ptr<TMp3Player> Player;

// Handler for every loader notification after the attach.
using TDetachHandler = void (*)(DWORD reason);
extern TDetachHandler DetachHandler;

// Reads the configuration, builds the player and installs the hooks. Raises
// EInOutError when the configuration file cannot be read.
void LibraryLoad();

// On process detach: removes the hooks, then frees the player. Other reasons: nothing.
void LibraryDetach(DWORD reason) noexcept;
