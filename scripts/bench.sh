#!/usr/bin/env bash
# Runs the benchmarks under Wine and prints their ratios against bare baselines, and
# the plug-in's size. Rows: scripts/bench.sh [load] [runtime] [slowdisk] (all without
# any). Whether it ends or is interrupted, it leaves nothing running or mounted.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rows=" ${*:-load runtime slowdisk} "
export QUILM_BUILD=$root/build
source "$root/scripts/wine-env.sh"
wine_session
"$root/scripts/make-fixtures.sh" "$QUILM_WIN_BUILD/fixtures"

scratch=$(mktemp -d "$root/build/bench-XXXX")
slow=$scratch/slow
end_bench() {
  quilm_stop_all
  # The slow disk ends with its process; a mount left behind is taken away first.
  if mountpoint -q "$slow/mnt" 2>/dev/null; then fusermount -uz "$slow/mnt" 2>/dev/null || true; fi
  mountpoint -q "$slow/mnt" 2>/dev/null || rm -rf "$scratch"
}
trap end_bench EXIT
cp "$QUILM_WIN_BUILD/quilm.dll" "$QUILM_WIN_BUILD/bench_load.exe" "$scratch/"
cp "$QUILM_WIN_BUILD/fixtures/tone2s.mp3" "$scratch/tone.mp3"
cp "$QUILM_WIN_BUILD/fixtures/tone30s.mp3" "$scratch/long.mp3"
cp "$QUILM_WIN_BUILD/fixtures/tone1s.mp3" "$scratch/short.mp3"
echo "Windows side: $(quilm_side_text "$QUILM_SIDE"), $("$QUILM_WINE" --version 2>/dev/null) ($QUILM_SIDES_WHY)."
echo
echo "| benchmark | plug-in | bare baseline | ratio |"
echo "|---|---|---|---|"
# Output through files: Wine's desktop process would hold a pipe open after each run.
if [[ $rows == *" load "* ]]; then
  (cd "$scratch" && "$QUILM_WINE" bench_load.exe 10000 2000 >load.txt 2>/dev/null </dev/null; cat load.txt)
fi
if [[ $rows == *" runtime "* ]]; then
  (cd "$scratch" && "$QUILM_WINE" "$QUILM_WIN_BUILD/bench_runtime.exe" tone.mp3 long.mp3 short.mp3 >runtime.txt 2>/dev/null </dev/null; cat runtime.txt)
fi
slow_disk_rows() {
  # The library on a slow disk: a FUSE passthrough that waits 5 ms before each
  # directory read and file open. 10 x 10 x 10 folders, 10 tracks in each of the
  # deepest, all real MP3s (links to one tone).
  mkdir -p "$slow/disk" "$slow/mnt" "$slow/run"
  /usr/bin/python3 - "$slow/disk/lib" "$scratch/tone.mp3" <<'PY'
import os, sys
root, tone = sys.argv[1], sys.argv[2]
for a in range(10):
    for b in range(10):
        for c in range(10):
            folder = os.path.join(root, f"a{a}", f"b{b}", f"c{c}")
            os.makedirs(folder)
            for t in range(10):
                os.link(tone, os.path.join(folder, f"t{t}.mp3"))
PY
  if [ ! -c /dev/fuse ]; then
    echo "| slow disk | no /dev/fuse on this machine: rows left out | | |"
    return
  fi
  # Each delayed call is logged with its time, to tell those inside a load call.
  local calls=$root/build/bench-slowdisk-calls.log
  rm -f "$calls"
  /usr/bin/python3 "$root/tools/slowfs/slowfs.py" "$slow/disk" "$slow/mnt" 0.005 "$calls" >"$slow/fuse.log" 2>&1 &
  local fuse=$! i
  for i in $(seq 100); do mountpoint -q "$slow/mnt" && break; sleep 0.1; done
  if ! mountpoint -q "$slow/mnt"; then
    echo "| slow disk | the FUSE mount does not work on this machine: rows left out | | |"
    return
  fi
  cp "$QUILM_WIN_BUILD/quilm.dll" "$QUILM_WIN_BUILD/bench_slowdisk.exe" "$slow/run/"
  (cd "$slow/run" && "$QUILM_WINE" bench_slowdisk.exe "Z:${slow//\//\\}\\mnt\\lib" >slow.txt 2>/dev/null </dev/null; cat slow.txt)
  fusermount -u "$slow/mnt" 2>/dev/null || kill $fuse 2>/dev/null || true
  wait $fuse 2>/dev/null || true
  # The calls on the library's disk that came while a load call ran (start and end of
  # each in load-calls.txt, on the same clock).
  local inside=0
  if [ -f "$slow/run/load-calls.txt" ]; then
    inside=$(awk 'NR == FNR { start[NR] = $1; end[NR] = $2; loads = NR; next }
                  { for (i = 1; i <= loads; ++i) if ($1 >= start[i] && $1 <= end[i]) { ++n; break } }
                  END { print n + 0 }' "$slow/run/load-calls.txt" "$calls")
  fi
  echo "| slow disk: calls on the library's disk during the 3 load calls | $inside | (none) | |"
  calls_note="Each call the slow disk delayed, with its time: $calls"
}
calls_note=
if [[ $rows == *" slowdisk "* ]]; then slow_disk_rows; fi
echo "| quilm.dll size ($QUILM_SIDE build) | $(stat -c %s "$QUILM_WIN_BUILD/quilm.dll") bytes | | |"
echo "| shipped quilm.dll size (build/win32) | $(stat -c %s "$root/build/win32/quilm.dll") bytes | | |"
[ -z "$calls_note" ] || { echo; echo "$calls_note"; }
