#!/usr/bin/env bash
# Runs the benchmarks under Wine and prints their ratios against bare baselines, and
# the plug-in's size.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export QUILM_BUILD=$root/build
source "$root/scripts/wine-env.sh"
wine_session
"$root/scripts/make-fixtures.sh" "$QUILM_WIN_BUILD/fixtures"

scratch=$(mktemp -d "$root/build/bench-XXXX")
cp "$QUILM_WIN_BUILD/quilm.dll" "$QUILM_WIN_BUILD/bench_load.exe" "$scratch/"
cp "$QUILM_WIN_BUILD/fixtures/tone2s.mp3" "$scratch/tone.mp3"
cp "$QUILM_WIN_BUILD/fixtures/tone30s.mp3" "$scratch/long.mp3"
cp "$QUILM_WIN_BUILD/fixtures/tone1s.mp3" "$scratch/short.mp3"
echo "Windows side: $(quilm_side_text "$QUILM_SIDE"), $("$QUILM_WINE" --version 2>/dev/null) ($QUILM_SIDES_WHY)."
echo
echo "| benchmark | plug-in | bare baseline | ratio |"
echo "|---|---|---|---|"
# Output through files: Wine's desktop process would hold a pipe open after each run.
(cd "$scratch" && "$QUILM_WINE" bench_load.exe 10000 2000 >load.txt 2>/dev/null </dev/null; cat load.txt)
(cd "$scratch" && "$QUILM_WINE" "$QUILM_WIN_BUILD/bench_runtime.exe" tone.mp3 long.mp3 short.mp3 >runtime.txt 2>/dev/null </dev/null; cat runtime.txt)
slow_disk_rows() {
  # The library on a slow disk: a FUSE passthrough that waits 5 ms before each
  # directory read and file open. 10 x 10 x 10 folders, 10 tracks in each of the
  # deepest, all real MP3s (links to one tone).
  local slow=$scratch/slow
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
  /usr/bin/python3 "$root/tools/slowfs/slowfs.py" "$slow/disk" "$slow/mnt" 0.005 >"$slow/fuse.log" 2>&1 &
  local fuse=$! i
  for i in $(seq 100); do mountpoint -q "$slow/mnt" && break; sleep 0.1; done
  if ! mountpoint -q "$slow/mnt"; then
    echo "| slow disk | the FUSE mount does not work on this machine: rows left out | | |"
    kill $fuse 2>/dev/null || true
    return
  fi
  cp "$QUILM_WIN_BUILD/quilm.dll" "$QUILM_WIN_BUILD/bench_slowdisk.exe" "$slow/run/"
  (cd "$slow/run" && "$QUILM_WINE" bench_slowdisk.exe "Z:${slow//\//\\}\\mnt\\lib" >slow.txt 2>/dev/null </dev/null; cat slow.txt)
  fusermount -u "$slow/mnt" 2>/dev/null || kill $fuse 2>/dev/null || true
  wait $fuse 2>/dev/null || true
}
slow_disk_rows
rm -rf "$scratch"
echo "| quilm.dll size ($QUILM_SIDE build) | $(stat -c %s "$QUILM_WIN_BUILD/quilm.dll") bytes | | |"
echo "| shipped quilm.dll size (build/win32) | $(stat -c %s "$root/build/win32/quilm.dll") bytes | | |"
