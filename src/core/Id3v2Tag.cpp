#include "core/Id3v2Tag.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/PlaylistFile.h"
#include "core/ReplayGain.h"

namespace {

constexpr std::size_t HeaderSize = 10;
// A title, an artist or a gain is never longer than this: the rest of a longer frame is
// not read.
constexpr std::size_t MaxTextBytes = 4096;
// An unsynchronised version 2.2 or 2.3 tag is read whole, up to this much.
constexpr std::uint32_t MaxUnsyncTagBytes = 1u << 20;
// Frames walked at most, one read each: a tag of millions of tiny frames is given up
// on long before its end (the title and artist come among the first few in practice).
constexpr int MaxFramesWalked = 1000;

std::uint32_t SyncSafe(const std::uint8_t* b) {
    return std::uint32_t{b[0] & 0x7Fu} << 21 | std::uint32_t{b[1] & 0x7Fu} << 14 | std::uint32_t{b[2] & 0x7Fu} << 7 |
           (b[3] & 0x7Fu);
}

std::uint32_t BigEndian(const std::uint8_t* b, std::size_t n) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < n; ++i) value = value << 8 | b[i];
    return value;
}

// Undoes unsynchronisation: every 0xFF 0x00 pair stands for 0xFF.
std::string Resynchronised(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out += bytes[i];
        if (static_cast<unsigned char>(bytes[i]) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == '\0') ++i;
    }
    return out;
}

void TrimEnd(std::string& text) {
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ')) text.pop_back();
}

// The first value of text in the encoding (a text frame's first byte) as UTF-8.
std::string FirstValue(unsigned char encoding, std::string_view text) {
    std::string value;
    if (encoding == 1 || encoding == 2) {
        // UTF-16: a byte-order mark decides; without one, version 2.4's UTF-16BE is
        // big endian and plain UTF-16 little endian, as Windows writers leave it.
        bool bigEndian = encoding == 2;
        if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFE && static_cast<unsigned char>(text[1]) == 0xFF) {
            bigEndian = true;
            text.remove_prefix(2);
        } else if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
                   static_cast<unsigned char>(text[1]) == 0xFE) {
            bigEndian = false;
            text.remove_prefix(2);
        }
        std::size_t end = 0;
        while (end + 1 < text.size() && (text[end] != '\0' || text[end + 1] != '\0')) end += 2;
        value = Utf8OfUtf16(text.substr(0, end), bigEndian);
    } else {
        text = text.substr(0, text.find('\0'));
        if (encoding == 3) {
            if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
            // Cut at a character's end, as a frame read in part may stop inside one.
            std::size_t valid = text.size();
            while (valid > 0 && !IsValidUtf8(text.substr(0, valid))) --valid;
            value = std::string(text.substr(0, valid));
        } else {
            value = Latin1ToUtf8(text);
        }
    }
    TrimEnd(value);
    return value;
}

// A TXXX frame's data (encoding byte, description, value): the description and the
// first value, as UTF-8.
void TakeUserText(std::string_view data, TTagGains& gains) {
    if (data.empty()) return;
    const auto encoding = static_cast<unsigned char>(data[0]);
    const bool wide = encoding == 1 || encoding == 2;
    std::size_t end = 1;
    if (wide)
        while (end + 1 < data.size() && (data[end] != '\0' || data[end + 1] != '\0')) end += 2;
    else
        end = std::min(data.find('\0', 1), data.size());
    const std::size_t valueAt = std::min(data.size(), end + (wide ? 2 : 1));
    gains.TakeUserText(FirstValue(encoding, data.substr(1, end - 1)), FirstValue(encoding, data.substr(valueAt)));
}

struct TFrameIds {
    std::string_view Title, Artist, UserText, Volume;
};

} // namespace

std::optional<TSongNames> ReadId3v2Names(TTagSource& source) { return ReadId3v2(source, true, nullptr).Names; }

TId3v2Found ReadId3v2(TTagSource& source, bool wantNames, TTagGains* gains) {
    TId3v2Found found;
    std::array<std::uint8_t, HeaderSize> header{};
    if (!source.ReadAt(0, header.data(), header.size())) return found;
    if (header[0] != 'I' || header[1] != 'D' || header[2] != '3') return found;
    const std::uint8_t version = header[3];
    if (version < 2 || version > 4 || header[4] == 0xFF) return found;
    for (std::size_t i = 6; i < 10; ++i)
        if (header[i] & 0x80) return found; // no sync-safe size
    const std::uint8_t flags = header[5];
    const std::uint32_t tagSize = SyncSafe(&header[6]);
    found.AudioAt = HeaderSize + std::uint64_t{tagSize} + (version == 4 && (flags & 0x10) ? HeaderSize : 0);
    if (HeaderSize + std::uint64_t{tagSize} > source.Size()) return found; // a size that lies
    const bool wholeTagUnsync = (flags & 0x80) != 0 && version < 4;
    if (version == 2 && (flags & 0x40)) return found; // 2.2's compression: no scheme was ever set

    // The frames: read from the source where they are, or from the tag read whole when
    // version 2.2 or 2.3 unsynchronised all of it (its frame sizes count the bytes after).
    std::string whole;
    if (wholeTagUnsync) {
        whole.resize(std::min(tagSize, MaxUnsyncTagBytes));
        if (!source.ReadAt(HeaderSize, whole.data(), whole.size())) return found;
        whole = Resynchronised(whole);
    }
    const std::uint64_t end = wholeTagUnsync ? whole.size() : HeaderSize + std::uint64_t{tagSize};
    const bool cut = wholeTagUnsync && tagSize > MaxUnsyncTagBytes;
    const auto readAt = [&](std::uint64_t at, void* buffer, std::size_t count) {
        if (at + count > end) return false;
        if (!wholeTagUnsync) return source.ReadAt(at, buffer, count);
        std::copy_n(whole.data() + at, count, static_cast<char*>(buffer));
        return true;
    };
    std::uint64_t at = wholeTagUnsync ? 0 : HeaderSize;

    if (version >= 3 && (flags & 0x40)) {
        // The extended header: its size counts itself in 2.4 (sync-safe), not in 2.3.
        std::uint8_t size[4];
        if (!readAt(at, size, 4)) return found;
        const std::uint64_t skip = version == 4 ? SyncSafe(size) : std::uint64_t{BigEndian(size, 4)} + 4;
        if (skip < 4 || at + skip > end) return found;
        at += skip;
    }

    const TFrameIds ids = version == 2 ? TFrameIds{"TT2", "TP1", "TXX", ""} : TFrameIds{"TIT2", "TPE1", "TXXX", "RVA2"};
    const std::size_t idSize = version == 2 ? 3 : 4, frameHeaderSize = version == 2 ? 6 : 10;
    TSongNames names;
    bool titleFound = !wantNames, artistFound = !wantNames;
    // A frame that lies ends the walk; names found before it count only where a walk for
    // them alone would have ended there already.
    bool lied = false;
    for (int walked = 0; walked < MaxFramesWalked && !(titleFound && artistFound && (!gains || gains->Complete())) &&
                         at + frameHeaderSize <= end;
         ++walked) {
        std::uint8_t frame[10];
        if (!readAt(at, frame, frameHeaderSize)) {
            lied = true;
            break;
        }
        if (frame[0] == 0) break; // padding
        const std::string_view id(reinterpret_cast<const char*>(frame), idSize);
        const std::uint32_t size = version == 2   ? BigEndian(frame + 3, 3)
                                   : version == 3 ? BigEndian(frame + 4, 4)
                                                  : SyncSafe(frame + 4);
        at += frameHeaderSize;
        if (at + size > end) {
            // Beyond the part read whole it is unknown, and what was found counts; else
            // the frame lies about its size.
            lied = !cut;
            break;
        }
        const bool isTitle = id == ids.Title && !titleFound, isArtist = id == ids.Artist && !artistFound;
        const bool isUserText = gains && id == ids.UserText, isVolume = gains && id == ids.Volume;
        if (isTitle || isArtist || isUserText || isVolume) {
            // Frame flags: what comes before the data, and what cannot be read.
            const std::uint8_t format = version == 2 ? 0 : frame[9];
            std::uint64_t dataAt = at, dataSize = size;
            bool readable = true, unsync = false;
            if (version == 3) {
                readable = (format & 0xC0) == 0; // neither compressed nor encrypted
                if (format & 0x20) { // a group byte first
                    ++dataAt;
                    dataSize = dataSize >= 1 ? dataSize - 1 : 0;
                }
            } else if (version == 4) {
                readable = (format & 0x0C) == 0;
                unsync = (format & 0x02) != 0 || (flags & 0x80) != 0;
                const std::uint64_t prefix = ((format & 0x40) ? 1 : 0) + ((format & 0x01) ? 4 : 0);
                dataAt += prefix;
                dataSize = dataSize >= prefix ? dataSize - prefix : 0;
            }
            if (readable && dataSize > 0) {
                std::string data(static_cast<std::size_t>(std::min<std::uint64_t>(dataSize, MaxTextBytes)), '\0');
                if (!readAt(dataAt, data.data(), data.size())) {
                    lied = true;
                    break;
                }
                if (unsync) data = Resynchronised(data);
                if (isUserText)
                    TakeUserText(data, *gains);
                else if (isVolume)
                    gains->TakeRelativeVolume(data);
                else
                    (isTitle ? names.Title : names.Artist) = FirstValue(data[0], std::string_view(data).substr(1));
            }
            if (isTitle || isArtist) (isTitle ? titleFound : artistFound) = true;
        }
        at += size;
    }
    if ((!lied || (titleFound && artistFound)) && (!names.Title.empty() || !names.Artist.empty()))
        found.Names = std::move(names);
    return found;
}

TSongNames BothTags(const std::optional<TSongNames>& v2, const TSongNames& v1) {
    if (!v2) return v1;
    return {v2->Title.empty() ? v1.Title : v2->Title, v2->Artist.empty() ? v1.Artist : v2->Artist};
}

std::optional<std::string> SongTitle(const TSongNames& names) {
    if (names.Title.empty()) return std::nullopt;
    if (names.Artist.empty()) return names.Title;
    return names.Artist + " - " + names.Title;
}

std::string_view TrailerField(const char* field, std::size_t size) noexcept {
    std::string_view text(field, size);
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}
