#!/usr/bin/env bash
# Sets up, builds and runs every test: native (sanitizers, a short fuzz run), Windows
# unit tests under Wine, and the end-to-end cases with the stand-in game.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/build.sh"

export QUILM_BUILD=$root/build
source "$root/scripts/wine-env.sh"
trap wine_down EXIT
wine_up

status=0
ctest --test-dir build/native --output-on-failure || status=1
"$root/scripts/fuzz.sh" 10 || status=1
ctest --test-dir build/win32 --output-on-failure -j2 || status=1
exit $status
