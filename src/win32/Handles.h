// The Win32 resources the plug-in holds, each with the function that releases it.
#pragma once

#include <windows.h>

#include "win32/UniqueResource.h"

inline constexpr std::uintptr_t InvalidHandleBits = static_cast<std::uintptr_t>(-1);

using UniqueFile = UniqueResource<HANDLE, ::CloseHandle, InvalidHandleBits>;
using UniqueFind = UniqueResource<HANDLE, ::FindClose, InvalidHandleBits>;
using UniqueHandle = UniqueResource<HANDLE, ::CloseHandle>;
using UniqueHook = UniqueResource<HHOOK, ::UnhookWindowsHookEx>;
using UniqueWindow = UniqueResource<HWND, ::DestroyWindow>;
