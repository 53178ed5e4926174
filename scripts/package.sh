#!/usr/bin/env bash
# Builds the release zip for players: vask/quilm.dll, vask/quilm.ini (the commented
# example) and vask/quilm-readme.txt, in dist/quilm-VERSION.zip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
QUILM_WINDOWS_ONLY=1 "$root/scripts/build.sh"
version=$(cat "$root/build/win32/version.txt")
stage=$(mktemp -d)
mkdir -p "$stage/vask" "$root/dist"
cp "$root/build/win32/quilm.dll" "$stage/vask/"
# Windows line ends for players' editors.
sed 's/$/\r/' "$root/config/quilm.ini" > "$stage/vask/quilm.ini"
sed 's/$/\r/' "$root/config/quilm-readme.txt" > "$stage/vask/quilm-readme.txt"
rm -f "$root/dist/quilm-$version.zip"
(cd "$stage" && zip -q -r "$root/dist/quilm-$version.zip" vask)
rm -rf "$stage"
echo "dist/quilm-$version.zip"
unzip -l "$root/dist/quilm-$version.zip"
