// The module (DLL or EXE) that this code is linked into.
#pragma once

#include <windows.h>

#include <string>

HINSTANCE ThisModule() noexcept;

// The module's file name without its folder.
std::string ThisModuleFileName();
