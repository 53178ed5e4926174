#!/usr/bin/env bash
# Installs what building and testing the plug-in needs on a Debian machine (run as root).
# Packages already present are skipped, so a second run costs a few seconds.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for p in cmake ninja-build g++ clang libclang-rt-14-dev googletest libgtest-dev python3 \
         g++-mingw-w64-i686 wine wine32:i386 xvfb x11-utils imagemagick zip \
         gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386 sox lame; do
  have "$p" || need+=("$p")
done

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${need[@]}"
