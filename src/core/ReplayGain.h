// A track's loudness correction from the ReplayGain data that tagging tools and the
// LAME encoder write into MP3 files: an ID3v2 TXXX frame described
// REPLAYGAIN_TRACK_GAIN or REPLAYGAIN_ALBUM_GAIN, an ID3v2 RVA2 frame identified
// "track" or "album", and the Radio and Audiophile Replay Gain fields of the LAME header.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

class TTagSource;

// Which gain a track plays with: none (the tags are not read for one), the track's own,
// or the album's (the track's where the album's is missing).
enum class TLoudness : std::uint8_t { Off, Track, Album };

// A gain further from 0 than this is no gain.
inline constexpr double MaxGainDb = 60;

// A signed decimal with or without the unit "dB" (in any case), blanks around allowed:
// "-7.32 dB", "+1.5 dB", "-7.32", ".5dB". Nothing for anything else (no exponent, no
// comma, nothing after the unit).
std::optional<double> DecibelsOfText(std::string_view text);

// The gains of an ID3v2 tag's frames, as the tag reader meets them: of each kind, the
// first frame that holds a gain counts.
class TTagGains {
public:
    explicit TTagGains(TLoudness mode) noexcept : FMode(mode) {}
    TLoudness Mode() const noexcept { return FMode; }
    // A TXXX frame: its description and first value, as UTF-8.
    void TakeUserText(std::string_view description, std::string_view value);
    // An RVA2 frame's data: identification (ISO-8859-1, NUL-ended), then channels of a
    // type byte, a signed 16-bit big-endian adjustment in 1/512 dB, a peak's width in
    // bits and the peak. The master volume channel (type 1) counts.
    void TakeRelativeVolume(std::string_view data);
    // True once nothing later in the tag can change Gain().
    bool Complete() const noexcept {
        return FMode == TLoudness::Track ? FUserTrack.has_value() : FMode != TLoudness::Album || FUserAlbum.has_value();
    }
    // The TXXX gain of the mode (album: else the track's), else the RVA2 one likewise.
    std::optional<double> Gain() const noexcept;

private:
    TLoudness FMode;
    // Per source, the track's and the album's: the first of its frames that is a gain.
    std::optional<double> FUserTrack, FUserAlbum, FVolumeTrack, FVolumeAlbum;
};

// The track's gain: the tag's (gains), else the LAME header's, read from the first MPEG
// frame at audioAt (where the ID3v2 tag ends, 0 without one) only when the tag has none.
std::optional<double> TrackGain(const TTagGains& gains, TTagSource& source, std::uint64_t audioAt);
