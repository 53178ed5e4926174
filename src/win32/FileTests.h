// Existence tests for configuration lines and playlist entries.
#pragma once

#include <cstddef>
#include <string>

// True when a directory search for the name (wildcards match as in any search) finds
// an entry that is not a folder and whose last-write time, as local time, can be
// written as a DOS date and time.
bool IsExistingFile(const std::wstring& name);
// The same for an 8-bit name (the configuration file's own).
bool IsExistingFile(const std::string& name);

// True when the name's attributes can be read and mark a folder.
bool IsExistingFolder(const std::wstring& name);
bool IsExistingFolder(const std::string& name);

// No path is longer than this many UTF-16 units, even in the extended-length form (the
// system counts a name's bytes in 16 bits); a much longer one given to the system
// faults in some platforms' own code, so such a name is no file and no folder.
inline constexpr std::size_t MaxPathUnits = 32000;
