// The line-by-line pass over the configuration file that collects the playlist.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/LibraryScan.h"

// Reads the file in blocks and hands each line, untrimmed, to onLine. I/O failures
// raise EInOutError with the text for the platform's error code.
void ReadConfigLines(const std::string& fileName, const std::function<void(std::string_view)>& onLine);

// A trimmed playlist line of the configuration, in UTF-16: as the system code page reads
// it, and as UTF-8 reads it where that reading may be meant (a line with bytes beyond
// ASCII that is valid UTF-8, as Notepad saves files now; empty otherwise).
struct TPlaylistLine {
    std::wstring InCodePage;
    std::wstring InUtf8;
};

// Appends to entries, for every line after the "[playlist]" header, the files it stands
// for (see TLibraryScan): each "*.mp3" entry of a named folder, a named file, and the
// forms "folder\**" and playlist files. Other lines are dropped. onEntry, when given,
// runs after each entry is appended. With later, the lines from the first library form
// ("**" or a playlist file) on are not read: they go to *later, each reading made a full
// path (against the current folder now: a game may change it later), for
// ScanPlaylistLines.
void ScanPlaylist(const std::string& fileName, std::vector<std::wstring>& entries,
                  const std::function<void()>& onEntry = {}, std::vector<TPlaylistLine>* later = nullptr);

// True for a trimmed playlist line of a library form: a "**" folder or a playlist file.
bool IsLibraryFormLine(std::string_view line) noexcept;

// What ScanPlaylist appends for these lines, into sink.
void ScanPlaylistLines(const std::vector<TPlaylistLine>& lines, TEntrySink& sink);
