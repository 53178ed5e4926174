// The ReplayGain fields of the LAME header: the Xing or Info tag that LAME writes into
// the first MPEG audio frame, with LAME's extension behind it.
#pragma once

#include <cstdint>
#include <optional>

class TTagSource;

// In decibels; each is missing unless its field is set (its name code: 1 radio, 2
// audiophile).
struct TLameGains {
    std::optional<double> Radio;      // the track's gain
    std::optional<double> Audiophile; // the album's gain
};

// The fields of the Layer III frame that starts at at (where the ID3v2 tag ends; 0
// without one), in MPEG-1, MPEG-2 and MPEG-2.5 frames alike: the Xing or Info tag follows
// the frame's side information (17 or 32 bytes in MPEG-1, 9 or 17 in the others, for
// mono or not), and LAME's extension follows the tag's fields that its flags announce.
// Each gain field is 16 bits: a 3-bit name code, a 3-bit originator code, a sign bit
// (set: negative) and 9 bits of tenths of a decibel. One read of at most a couple of
// hundred bytes; nothing where the frame, the tag or the fields are not there.
TLameGains ReadLameGains(TTagSource& source, std::uint64_t at);
