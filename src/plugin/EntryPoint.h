// What the plug-in's entry point does for each loader notification.
#pragma once

#include <windows.h>

#include <string>

#include "win32/ModuleInstance.h"

// Shows why the load failed (the message box; tests record it instead).
using TLoadFailureReporter = void (*)(const char* className, const std::string& message, const void* address) noexcept;

// Keeps the plug-in loaded until the process ends; false when the system refuses.
using TKeepLoaded = bool (*)() noexcept;

// Runs the load-time sequence and keeps the plug-in loaded (keepLoaded) until the
// process ends. An error that ends the load releases everything made so far, and only
// then is shown through report; the attach fails.
BOOL AttachLibrary(TLoadFailureReporter report, TKeepLoaded keepLoaded = &PinThisModule) noexcept;

// Every later notification: on process detach the loaded plug-in is released.
// processEnding: the process is ending (the loader's reserved argument is set), not
// a FreeLibrary. Safe to repeat after a failed attach.
void HandleLoaderCall(DWORD reason, bool processEnding) noexcept;
