// The game's fixed code addresses, provided by a stand-in program: the build signature
// at 0x5051F0 and the text routine at 0x5051E0 (first build) or 0x5052C0 (other build).
#pragma once

#include <cstdint>

#include "host/HostAddresses.h"

enum class THostBuild { First, Other };

// Writes the signature of the build and a jump to routine at that build's address.
void InstallHostRoutine(THostBuild build, THostTextRoutine routine);

// Writes the four given bytes at the signature address, and a jump to routine at the
// given address (0 for none); the section is left without execute rights when no
// routine is installed.
void PrepareHostSection(const unsigned char (&signature)[4], std::uintptr_t routineAddress, THostTextRoutine routine);

// Makes the signature address unreadable (a process with nothing mapped there).
void HideHostSection();
