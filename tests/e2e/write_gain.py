#!/usr/bin/python3
"""Gives an MP3 file ReplayGain data as tagging tools or the encoder write it (run by
Debian's own Python, which has python3-mutagen).

Usage: write_gain.py FILE FORM TRACK [ALBUM]
  FORM   txxx  ID3v2.4 TXXX frames REPLAYGAIN_TRACK_GAIN / REPLAYGAIN_ALBUM_GAIN,
               the value written "N dB" as tagging tools write it
         rva2  ID3v2.4 RVA2 frames identified "track" / "album", master volume channel
         lame  the Radio / Audiophile Replay Gain fields of the LAME header in the
               first frame, rewritten in place (LAME itself fills the radio field)
  TRACK, ALBUM  decibels, or "-" for none (lame: the field cleared)
"""
import struct
import sys

from mutagen.id3 import ID3, RVA2, TXXX


def id3v2_size(data):
    """Where the audio starts: after the ID3v2 tag (and 2.4's footer), or 0."""
    if data[:3] != b"ID3":
        return 0
    size = (data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]
    return 10 + size + (10 if data[3] == 4 and data[5] & 0x10 else 0)


def lame_gains_offset(data, at):
    """Where the radio field of the LAME header starts in the frame at `at`."""
    version, mono = (data[at + 1] >> 3) & 3, (data[at + 3] >> 6) == 3
    side = (17 if mono else 32) if version == 3 else (9 if mono else 17)
    tag = at + 4 + side
    if data[tag:tag + 4] not in (b"Xing", b"Info"):
        raise SystemExit("no Xing or Info tag in the first frame")
    flags = struct.unpack(">I", data[tag + 4:tag + 8])[0]
    fields = 8 + (4 if flags & 1 else 0) + (4 if flags & 2 else 0) + (100 if flags & 4 else 0) + (4 if flags & 8 else 0)
    return tag + fields + 9 + 1 + 1 + 4  # encoder, method, lowpass, peak


def lame_field(name_code, db):
    """A gain field: name code, originator 3 (set automatically), sign, tenths."""
    if db == "-":
        return 0
    tenths = round(abs(float(db)) * 10)
    return (name_code << 13) | (3 << 10) | ((1 << 9) if float(db) < 0 else 0) | tenths


def main():
    path, form, track = sys.argv[1:4]
    album = sys.argv[4] if len(sys.argv) > 4 else "-"
    if form == "lame":
        data = bytearray(open(path, "rb").read())
        at = lame_gains_offset(data, id3v2_size(data))
        data[at:at + 4] = struct.pack(">HH", lame_field(1, track), lame_field(2, album))
        open(path, "wb").write(data)
        return
    tags = ID3()
    for kind, db in (("track", track), ("album", album)):
        if db == "-":
            continue
        if form == "txxx":
            tags.add(TXXX(encoding=3, desc=f"REPLAYGAIN_{kind.upper()}_GAIN", text=f"{float(db):+.2f} dB"))
        else:
            tags.add(RVA2(desc=kind, channel=1, gain=float(db), peak=1.0))
    tags.save(path, v1=0, v2_version=4)


if __name__ == "__main__":
    main()
