// Playlist files (M3U and M3U8), as the bytes of the file; and the forms a playlist
// line can take besides a file or a folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/TrackPath.h"

// True for a name that ends in ".m3u" or ".m3u8", in any case.
bool IsPlaylistFileName(std::string_view name) noexcept;
// True for a name that ends in ".m3u8", in any case: always UTF-8.
bool IsUtf8PlaylistFileName(std::string_view name) noexcept;

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF).
bool IsValidUtf8(std::string_view bytes) noexcept;

// The entries of a playlist file, in order. The file is UTF-8 when utf8ByName (an
// ".m3u8"), when it starts with a UTF-8 byte-order mark, or when all of it is valid
// UTF-8; otherwise it is in the system code page, and so are its entries (Utf8 false).
// Lines end at LF, are trimmed as configuration lines are, and empty lines and lines
// that start with "#" are skipped. A "file:" URI is decoded (percent escapes as UTF-8
// bytes, "/" as "\"); a line with any other scheme ("http://...") is skipped. "/"
// separates folders as "\" does: entries come back with "\" only.
std::vector<TTrackPath> ReadPlaylistFile(std::string_view bytes, bool utf8ByName);

// The path of a "file:" URI: "file:///C:/a%20b.mp3" gives "C:\a b.mp3",
// "file://server/share/x.mp3" gives "\\server\share\x.mp3". An escape that is not "%"
// and two hexadecimal digits stays as it is. Nothing for another scheme.
std::optional<std::string> FileUriPath(std::string_view uri);

// For a line whose last part is "**" (after "\" or "/"), the folder before it
// ("D:\Music\**" gives "D:\Music"); nothing for any other line.
std::optional<std::string_view> RecursiveFolder(std::string_view line) noexcept;

// True for a path that starts from a drive ("C:..."), a root ("\...") or a server
// ("\\server\..."): one that does not depend on the folder it is read from.
bool IsAbsolutePath(std::string_view path) noexcept;

// The folder part of a path, with its last separator ("a\b\list.m3u" gives "a\b\"),
// or "" when it has none.
std::string_view FolderOf(std::string_view path) noexcept;
