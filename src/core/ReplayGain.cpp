#include "core/ReplayGain.h"

#include <cmath>

#include "core/LameHeader.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// ASCII letters in any case.
bool SameWord(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((text[i] >= 'a' && text[i] <= 'z' ? text[i] - 'a' + 'A' : text[i]) != upper[i]) return false;
    return true;
}

// A gain within the limit (which also turns away what overflowed).
std::optional<double> Within(std::optional<double> db) {
    if (!db || !(std::fabs(*db) <= MaxGainDb)) return std::nullopt;
    return db;
}

} // namespace

std::optional<double> DecibelsOfText(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // The digits as one whole number and a power of ten to divide it by: for the usual
    // few digits both are exact, and the quotient is the decimal's nearest double.
    double digits = 0, scale = 1;
    bool any = false, point = false;
    for (; i < n; ++i) {
        if (IsDigit(text[i])) {
            digits = digits * 10 + (text[i] - '0');
            if (point) scale *= 10;
            any = true;
        } else if (text[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!any) return std::nullopt;
    while (i < n && IsBlank(text[i])) ++i;
    if (n - i >= 2 && (text[i] | 0x20) == 'd' && (text[i + 1] | 0x20) == 'b')
        for (i += 2; i < n && IsBlank(text[i]);) ++i;
    if (i != n) return std::nullopt;
    const double value = digits / scale;
    return negative ? -value : value;
}

void TTagGains::TakeUserText(std::string_view description, std::string_view value) {
    std::optional<double>* found = SameWord(description, "REPLAYGAIN_TRACK_GAIN")   ? &FUserTrack
                                   : SameWord(description, "REPLAYGAIN_ALBUM_GAIN") ? &FUserAlbum
                                                                                    : nullptr;
    if (found != nullptr && !*found) *found = Within(DecibelsOfText(value));
}

void TTagGains::TakeRelativeVolume(std::string_view data) {
    const std::size_t end = data.find('\0');
    if (end == std::string_view::npos) return;
    const std::string_view id(data.data(), end);
    std::optional<double>* found = SameWord(id, "TRACK") ? &FVolumeTrack : SameWord(id, "ALBUM") ? &FVolumeAlbum : nullptr;
    if (found == nullptr || *found) return;
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(data[at]); };
    for (std::size_t at = end + 1; at + 4 <= data.size(); at += 4 + (byte(at + 3) + 7u) / 8) {
        if (byte(at) != 1) continue;
        const auto adjustment = static_cast<std::int16_t>(static_cast<std::uint16_t>(byte(at + 1) << 8 | byte(at + 2)));
        *found = Within(adjustment / 512.0);
        return;
    }
}

std::optional<double> TTagGains::Gain() const noexcept {
    if (FMode == TLoudness::Off) return std::nullopt;
    const bool album = FMode == TLoudness::Album;
    if (album && FUserAlbum) return FUserAlbum;
    if (FUserTrack) return FUserTrack;
    if (album && FVolumeAlbum) return FVolumeAlbum;
    return FVolumeTrack;
}

std::optional<double> TrackGain(const TTagGains& gains, TTagSource& source, std::uint64_t audioAt) {
    if (gains.Mode() == TLoudness::Off) return std::nullopt;
    if (const auto tagGain = gains.Gain()) return tagGain;
    const TLameGains lame = ReadLameGains(source, audioAt);
    if (gains.Mode() == TLoudness::Album && lame.Audiophile) return lame.Audiophile;
    return lame.Radio;
}
