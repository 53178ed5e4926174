// The line-by-line pass over the configuration file that collects the playlist.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/TrackPath.h"

// Reads the file in blocks and hands each line, untrimmed, to onLine. I/O failures
// raise EInOutError with the text for the platform's error code.
void ReadConfigLines(const std::string& fileName, const std::function<void(std::string_view)>& onLine);

// Appends to entries, for every line after the "[playlist]" header, the files it stands
// for (see TLibraryScan): each "*.mp3" entry of a named folder, a named file, and the
// forms "folder\**" and playlist files. Other lines are dropped. onEntry, when given,
// runs after each entry is appended.
void ScanPlaylist(const std::string& fileName, std::vector<TTrackPath>& entries,
                  const std::function<void()>& onEntry = {});
