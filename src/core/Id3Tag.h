// The 128-byte ID3 version 1 trailer of an MP3 file.
#pragma once

#include <cstddef>
#include <cstdint>

struct TID3v1Tag {
    char Marker[3];
    char Title[30];
    char Artist[30];
    char Album[30];
    char Year[4];
    char Comment[30];
    std::uint8_t Genre;
};
static_assert(sizeof(TID3v1Tag) == 128, "the trailer is 128 bytes");

// 128 zero bytes with "TAG" in the marker.
TID3v1Tag BlankTag() noexcept;

// The record for the last bytes read from a file: those bytes unchanged when all 128
// were read and they begin with "TAG" (case matters), otherwise the blank record.
TID3v1Tag TagFromTrailer(const std::uint8_t* bytes, std::size_t count) noexcept;

// The ID3 version 1 genre names with the common extensions, indices 0 to 147.
inline constexpr int ID3GenreCount = 148;
extern const char* const ID3Genres[ID3GenreCount];
