// The path of one playlist entry.
#pragma once

#include <string>

// In the system code page, as the configuration's own lines are; or in UTF-8, for a
// name that the code page cannot spell (found by a folder scan, or read from a UTF-8
// playlist file). A name the code page can spell is always kept in the code page, so
// that everything done with it is what it always was.
struct TTrackPath {
    std::string Text;
    bool Utf8 = false;

    bool operator==(const TTrackPath&) const = default;
};
