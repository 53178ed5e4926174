// What the plug-in's entry point does for each loader notification.
#pragma once

#include <windows.h>

#include <string>

// Starts the modules and runs the load-time sequence. An error that ends it is shown
// to the player, everything made so far is released, and the attach fails.
BOOL AttachLibrary() noexcept;

// Every later notification: the detach handler, then on process detach the modules'
// shutdown. Safe to repeat after a failed attach.
void HandleLoaderCall(DWORD reason) noexcept;

// Shows why the load failed (the message box; tests put a recorder in its place).
using TLoadFailureReporter = void (*)(const char* className, const std::string& message, const void* address) noexcept;
extern TLoadFailureReporter LoadFailureReporter;
