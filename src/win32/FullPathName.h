// The full form of a name, as the system resolves it.
#pragma once

#include <string>

// The full form of name, however long: a text operation against the current folder
// (for "D:x", drive D:'s own current folder), no file-system call. The name as it is
// when the system cannot resolve it.
std::wstring FullPathName(const std::wstring& name);
