// The song's own name from an MP3 file's tags: the ID3 version 2 tag at its start
// (versions 2.2, 2.3 and 2.4), read frame by frame through a source that can seek, so
// that a cover picture of megabytes is stepped over, never read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class TTagGains;

// The bytes of a file, read where they are.
class TTagSource {
public:
    virtual ~TTagSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads count bytes at offset; false unless all of them were read.
    virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) = 0;
};

// Title and artist as UTF-8; empty when missing.
struct TSongNames {
    std::string Title;
    std::string Artist;
};

// The title and artist frames of the ID3v2 tag at the source's start (TT2 and TP1 in
// version 2.2, TIT2 and TPE1 in 2.3 and 2.4): the extended header is skipped,
// unsynchronisation undone, 2.4's sizes read as sync-safe, text in ISO-8859-1, UTF-16
// (with or without a byte-order mark) or UTF-8. Of each frame the first value counts (up
// to its first NUL), without trailing blanks. Nothing without a tag, for a tag whose
// sizes point beyond the tag or the file, or for a tag with neither a title nor an
// artist. Reads the header and the headers of the frames before the two (a thousand
// at most), and at most a few kilobytes of each of the two. Of an unsynchronised 2.2
// or 2.3 tag the first megabyte is read whole: what it holds counts.
std::optional<TSongNames> ReadId3v2Names(TTagSource& source);

// What one walk through the tag's frames found.
struct TId3v2Found {
    std::optional<TSongNames> Names; // as ReadId3v2Names
    std::uint64_t AudioAt = 0;       // where the tag ends (with 2.4's footer): 0 without a tag
};

// The same walk for the names (wantNames) and, with gains, for the TXXX (2.2: TXX) and
// RVA2 frames of ReplayGain (each read as far as a name would be): the walk ends once
// both names are found and gains is Complete, or at the tag's end. Gains met
// before a frame whose size lies count. Without gains, it reads exactly what
// ReadId3v2Names reads.
TId3v2Found ReadId3v2(TTagSource& source, bool wantNames, TTagGains* gains);

// The names of a file with both tags: each field from the ID3v2 tag (v2) where it has
// one, else from the ID3v1 trailer (v1), as the common tag readers take such files.
TSongNames BothTags(const std::optional<TSongNames>& v2, const TSongNames& v1);

// "Artist - Title", or "Title" without an artist; nothing without a title.
std::optional<std::string> SongTitle(const TSongNames& names);

// A field of the ID3 version 1 trailer: up to its first NUL, without trailing blanks.
std::string_view TrailerField(const char* field, std::size_t size) noexcept;
