// The line-by-line pass over the configuration file that collects the playlist.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// Reads the file in blocks and hands each line, untrimmed, to onLine. I/O failures
// raise EInOutError with the text for the platform's error code.
void ReadConfigLines(const std::string& fileName, const std::function<void(std::string_view)>& onLine);

// Appends, for every line after the "[playlist]" header, the files it stands for: each
// "*.mp3" entry of a named folder, or a named file. Other lines are dropped.
void ScanPlaylist(const std::string& fileName, const std::function<void(std::string)>& append);

// Appends folder + "\" + name for every entry a search for folder + "\*.mp3" returns,
// in the platform's order.
void ExpandFolder(const std::string& folder, const std::function<void(std::string)>& append);
