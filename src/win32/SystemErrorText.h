#pragma once

#include <windows.h>

#include <string>

// The system's message text for an error code, without a trailing line break.
std::string SystemErrorText(DWORD code);
