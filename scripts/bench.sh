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
echo "Windows side: $(quilm_side_text "$QUILM_SIDE"), $("$QUILM_WINE" --version 2>/dev/null) ($QUILM_SIDES_WHY)."
echo
echo "| benchmark | plug-in | bare baseline | ratio |"
echo "|---|---|---|---|"
# Output through files: Wine's desktop process would hold a pipe open after each run.
(cd "$scratch" && "$QUILM_WINE" bench_load.exe 10000 2000 >load.txt 2>/dev/null </dev/null; cat load.txt)
(cd "$scratch" && "$QUILM_WINE" "$QUILM_WIN_BUILD/bench_runtime.exe" tone.mp3 long.mp3 >runtime.txt 2>/dev/null </dev/null; cat runtime.txt)
rm -rf "$scratch"
echo "| quilm.dll size ($QUILM_SIDE build) | $(stat -c %s "$QUILM_WIN_BUILD/quilm.dll") bytes | | |"
echo "| shipped quilm.dll size (build/win32) | $(stat -c %s "$root/build/win32/quilm.dll") bytes | | |"
