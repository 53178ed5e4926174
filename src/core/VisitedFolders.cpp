#include "core/VisitedFolders.h"

bool TVisitedFolders::FirstVisit(std::uint64_t fileId, std::string_view path) {
    if (fileId != 0 && fileId != ~std::uint64_t{0}) return FIds.insert(fileId).second;
    std::string key(path);
    for (char& c : key) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c == '/') c = '\\';
    }
    while (key.size() > 1 && key.back() == '\\') key.pop_back();
    return FPaths.insert(std::move(key)).second;
}
