#!/usr/bin/env bash
# Runs the benchmarks under Wine and prints their ratios against bare baselines, and
# the plug-in's size.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export QUILM_BUILD=$root/build
source "$root/scripts/wine-env.sh"
wine_session
"$root/scripts/make-fixtures.sh" "$root/build/win32/fixtures"

scratch=$(mktemp -d "$root/build/bench-XXXX")
cp "$root/build/win32/quilm.dll" "$root/build/win32/bench_load.exe" "$scratch/"
cp "$root/build/win32/fixtures/tone2s.mp3" "$scratch/tone.mp3"
echo "| benchmark | plug-in | bare baseline | ratio |"
echo "|---|---|---|---|"
(cd "$scratch" && wine bench_load.exe 10000 2000 2>/dev/null)
(cd "$scratch" && wine "$root/build/win32/bench_runtime.exe" tone.mp3 2>/dev/null)
rm -rf "$scratch"
echo "| quilm.dll size | $(stat -c %s "$root/build/win32/quilm.dll") bytes | | |"
