#include "win32/FullPathName.h"

#include <windows.h>

std::wstring FullPathName(const std::wstring& name) {
    if (name.empty()) return name;
    const DWORD needed = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return name;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(name.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return name;
    full.resize(length);
    return full;
}
