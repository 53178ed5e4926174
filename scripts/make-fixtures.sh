#!/usr/bin/env bash
# Generates the audio fixtures of the Windows tests into the given folder (kept when present).
set -euo pipefail
out=${1:?folder}
mkdir -p "$out"
tone() { # name seconds frequency
  [ -f "$out/$1.mp3" ] && return
  sox -q -n -r 44100 -c 2 "$out/$1.wav" synth "$2" sine "$3"
  lame --quiet "$out/$1.wav" "$out/$1.mp3"
  rm -f "$out/$1.wav"
}
tone tone2s 2 440
tone tone1s 1 660
tone tone5s 5 550
tone tone30s 30 495
[ -f "$out/short.wav" ] || sox -q -n -r 8000 -c 1 "$out/short.wav" synth 0.5 sine 440
