// Playlist files (M3U and M3U8), as the bytes of the file; and the forms a playlist
// line can take besides a file or a folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// True for a name that ends in ".m3u" or ".m3u8", in any case.
bool IsPlaylistFileName(std::string_view name) noexcept;
bool IsPlaylistFileName(std::wstring_view name) noexcept;
// True for a name that ends in ".m3u8", in any case: always UTF-8.
bool IsUtf8PlaylistFileName(std::string_view name) noexcept;
bool IsUtf8PlaylistFileName(std::wstring_view name) noexcept;

// The UTF-8 form of UTF-16 text in bytes, little or big endian; an unpaired surrogate
// becomes U+FFFD, an odd last byte is dropped.
std::string Utf8OfUtf16(std::string_view bytes, bool bigEndian);

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF).
bool IsValidUtf8(std::string_view bytes) noexcept;

// Text in the system code page as UTF-8 (every byte is some character there).
using TCodePageToUtf8 = std::string (*)(std::string_view codePageText);
// The conversion for code page 1252's ASCII and Latin-1 letters: each byte is the
// character of that number. For tests and tools without the system's conversions.
std::string Latin1ToUtf8(std::string_view text);

// The entries of a playlist file, in order. A file that starts with a UTF-16
// byte-order mark (little or big endian) is UTF-16; else it is UTF-8 when utf8ByName (an
// ".m3u8"), when it starts with a UTF-8 byte-order mark, or when all of it is valid
// UTF-8; otherwise it is in the system code page. Entries come back in UTF-8: a line in
// the code page is converted by codePageToUtf8. A line of a UTF-8 file that is not
// valid UTF-8 is read in the code page. Lines end at
// CR LF, LF or a lone CR, are trimmed as configuration lines are, and empty lines and
// lines that start with "#" are skipped. A "file:" URI is decoded (see FileUriPath):
// its percent escapes are UTF-8 bytes, its other bytes are in the line's encoding
// (codePageToUtf8 converts them in a code page line), and one that does not decode to
// valid UTF-8 is dropped; a line with any other scheme ("http://...") is skipped. "/"
// separates folders as "\" does: entries come back with "\" only. An entry that holds a
// NUL character is dropped, whatever its form.
std::vector<std::string> ReadPlaylistFile(std::string_view bytes, bool utf8ByName,
                                         TCodePageToUtf8 codePageToUtf8 = &Latin1ToUtf8);

// The path of a "file:" URI, with its escapes decoded as bytes: "file:///C:/a%20b.mp3",
// "file://localhost/C:/a%20b.mp3", "file:///C|/a%20b.mp3" and "file://C:/a%20b.mp3"
// give "C:\a b.mp3"; "file://server/share/x.mp3" gives "\\server\share\x.mp3". A
// "?query" or "#fragment" is no part of the path. An escape that is not "%" and two
// hexadecimal digits stays as it is. Nothing for another scheme. rawToUtf8, when given,
// converts the bytes that are not escapes (those of a code page line).
std::optional<std::string> FileUriPath(std::string_view uri, TCodePageToUtf8 rawToUtf8 = nullptr);

// Where a list's entry leads, as the system resolves a path with the list's folder as
// the current folder: listFolder is the list's full folder with its last separator
// ("D:\Lists\", "\\server\share\x\", "\\?\D:\Lists\"), entry a path with "\" only.
// Relative entries and "..", root-relative "\x" (on the list's drive, or the root of
// its share), drive-relative "D:x" (the list's folder when the list is on D:, else D:'s
// root). "." and ".." are resolved in every full path but a "\\?\" entry, which the
// system takes as it is (those of a list's "\\?\" folder are resolved too).
std::string ResolveListEntry(std::string_view listFolder, std::string_view entry);

// The UTF-16 length of UTF-8 text.
std::size_t Utf16Length(std::string_view utf8) noexcept;

// The extended-length form of a full path, for names beyond the system's usual limit:
// "\\?\D:\x" for "D:\x", "\\?\UNC\server\share\x" for "\\server\share\x"; a path
// that has the form already is left as it is.
std::string ExtendedLengthPath(std::string_view fullPath);
std::wstring ExtendedLengthPath(std::wstring_view fullPath);

// For a line whose last part is "**" (after "\" or "/"), the folder before it
// ("D:\Music\**" gives "D:\Music"); nothing for any other line.
std::optional<std::string_view> RecursiveFolder(std::string_view line) noexcept;
std::optional<std::wstring_view> RecursiveFolder(std::wstring_view line) noexcept;

// True for a path that starts from a drive ("C:..."), a root ("\...") or a server
// ("\\server\..."): one that does not depend on the folder it is read from.
bool IsAbsolutePath(std::string_view path) noexcept;
bool IsAbsolutePath(std::wstring_view path) noexcept;

// The folder part of a path, with its last separator ("a\b\list.m3u" gives "a\b\"),
// or "" when it has none.
std::string_view FolderOf(std::string_view path) noexcept;
std::wstring_view FolderOf(std::wstring_view path) noexcept;
