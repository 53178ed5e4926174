#include "core/VisitedFolders.h"

namespace {

// The path's key: ASCII letters in upper case, "\" for "/", no trailing separator.
template <class Char> std::basic_string<Char> PathKey(std::basic_string_view<Char> path) {
    std::basic_string<Char> key(path);
    for (Char& c : key) {
        if (c >= 'a' && c <= 'z') c = static_cast<Char>(c - 'a' + 'A');
        if (c == '/') c = '\\';
    }
    while (key.size() > 1 && key.back() == '\\') key.pop_back();
    return key;
}

bool HasIdentity(std::uint64_t fileId) noexcept { return fileId != 0 && fileId != ~std::uint64_t{0}; }

} // namespace

bool TVisitedFolders::FirstVisit(std::uint64_t fileId, std::string_view path) {
    if (HasIdentity(fileId)) return FIds.insert(fileId).second;
    return FPaths.insert(PathKey(path)).second;
}

bool TVisitedFolders::FirstVisit(std::uint64_t fileId, std::wstring_view path) {
    if (HasIdentity(fileId)) return FIds.insert(fileId).second;
    return FWidePaths.insert(PathKey(path)).second;
}
