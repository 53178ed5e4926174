// The plug-in's load-time sequence and its counterpart at process detach.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "player/Mp3Player.h"
#include "plugin/ConfigTextPass.h"

class THostBinding;

inline constexpr char ConfigFileName[] = "vask\\quilm.ini";
inline constexpr char KeysSection[] = "keys";

// The player of the loaded plug-in; none without a configuration file, before the
// load and after the detach.
extern TMp3Player* Player;

// The player the configuration file describes (its keys and playlist), or none when
// there is no such file. Raises EInOutError when the file cannot be read. With later,
// the playlist lines from the first library form on are left to *later (see
// ScanPlaylist).
std::unique_ptr<TMp3Player> ReadPlayer(const THostBinding& host, std::vector<TPlaylistLine>* later = nullptr);

// Builds the loaded plug-in on the calling thread (the game thread): reads the
// configuration, builds the player and installs the hooks. Raises EInOutError when the
// configuration file cannot be read, leaving nothing behind.
void LibraryLoad();

// Starts reading the library forms of the loaded plug-in beside the game: once the load
// is sure to stand (a failed load starts no thread).
void LibraryStartScan();

// Releases the loaded plug-in: hooks first, then the player. When the process is
// ending, its other threads are gone and whatever they held stays held: nothing is
// released then, and nothing waits or takes a lock. Safe to repeat.
void LibraryDetach(bool processEnding) noexcept;
