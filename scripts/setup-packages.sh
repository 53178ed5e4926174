#!/usr/bin/env bash
# Installs what building and testing the plug-in needs on a Debian machine (run as root):
# the tools every machine needs, and Wine with its GStreamer plug-ins for each Windows
# side the tests will run on (see wine-sides.sh). Packages already present are
# skipped, so a second run costs a few seconds.
set -euo pipefail
source "$(dirname "$0")/wine-sides.sh"
quilm_pick_sides

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# The shipped plug-in is always built, whichever side runs the tests.
wanted=(cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev python3
        g++-mingw-w64-i686 xvfb x11-utils imagemagick zip sox lame python3-mutagen python3-fusepy fuse3)
for side in $QUILM_SIDES; do
  case $side in
    x86) wanted+=(wine wine32:i386 gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386) ;;
    x64) wanted+=(g++-mingw-w64-x86-64 wine wine64 gstreamer1.0-plugins-base gstreamer1.0-plugins-good) ;;
  esac
done
for p in "${wanted[@]}"; do
  have "$p" || need+=("$p")
done

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

if [[ " ${need[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${need[@]}"
