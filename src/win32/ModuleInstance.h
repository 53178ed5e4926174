// The module (DLL or EXE) that this code is linked into.
#pragma once

#include <windows.h>

#include <string>

HINSTANCE ThisModule() noexcept;

// Keeps the module loaded until the process ends, whatever FreeLibrary calls follow;
// false when the system refuses.
bool PinThisModule() noexcept;

// The module's file name without its folder.
std::string ThisModuleFileName();
