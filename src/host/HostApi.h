// The game's on-screen text routine, found at one of two fixed addresses.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/HostAddresses.h"

// Address of the text routine, bound once at start-up; 0 before that.
extern std::uintptr_t HostShowText;

// Binds HostShowText by the build signature. In a process that is neither build (the
// signature or the routine is not there) the binding is kept but lines are dropped.
void HostApiInitialize() noexcept;
void HostApiFinalize() noexcept;

// True when the bound routine can be called.
bool HostTextAvailable() noexcept;

// Shows one 8-bit line (thread ANSI code page) as UTF-16 through the host routine.
void HostShowLine(std::string_view line);
