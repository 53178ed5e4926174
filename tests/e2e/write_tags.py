#!/usr/bin/python3
"""Tags an MP3 file as music programs do, with Debian's python3-mutagen (run by
Debian's own Python, which has it).

Usage: write_tags.py FILE VERSION ENCODING ARTIST TITLE
  VERSION   3 or 4 (ID3v2.3, ID3v2.4), or v1 (the ID3v1 trailer alone)
  ENCODING  0 ISO-8859-1, 1 UTF-16, 2 UTF-16BE, 3 UTF-8 (the frame's text encoding;
            version 2.3 writes UTF-16 for the last two)
  ARTIST    "" for none
"""
import sys

from mutagen.id3 import ID3, TIT2, TPE1, delete


def main():
    path, version, encoding, artist, title = sys.argv[1:6]
    tags = ID3()
    tags.add(TIT2(encoding=int(encoding), text=title))
    if artist:
        tags.add(TPE1(encoding=int(encoding), text=artist))
    if version == "v1":
        tags.save(path, v1=2, v2_version=3)
        delete(path, delete_v1=False, delete_v2=True)
    else:
        tags.save(path, v1=0, v2_version=int(version))


if __name__ == "__main__":
    main()
