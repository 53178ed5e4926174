// The folders a tree scan has been in: a loop of links or a folder met twice must not
// be scanned again.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

class TVisitedFolders {
public:
    // True the first time a folder is met. Folders are told apart by their file ID on
    // the volume; a volume that gives none (an ID of 0 or all ones means "no identity")
    // leaves their full normalised path, in any case of its ASCII letters.
    bool FirstVisit(std::uint64_t fileId, std::string_view path);
    bool FirstVisit(std::uint64_t fileId, std::wstring_view path);

private:
    std::set<std::uint64_t> FIds;
    std::set<std::string> FPaths;
    std::set<std::wstring> FWidePaths;
};
