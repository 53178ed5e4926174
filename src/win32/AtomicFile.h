// Small files read whole, and replaced whole: a reader sees the old content or the new,
// never a mix.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Writes bytes to a temporary file beside path (a name of this write's own: writes of two
// threads or two processes never meet in one), flushes it to the disk and moves it over
// path in one step. False, with path as it was, no temporary file left and the failed
// step's error as the last error, when any step fails. Raises nothing, and shows no
// system error box (a disk missing from its drive fails the write as any error does).
bool ReplaceFileAtomically(const std::wstring& path, std::string_view bytes) noexcept;

// The content of a file of at most maxBytes; nothing when it cannot be read or is
// larger. Raises only std::bad_alloc.
std::optional<std::string> ReadSmallFile(const std::wstring& path, std::size_t maxBytes);
