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

# A mirror in mid-sync fails the update for one suite ("File has unexpected size ...
# Mirror sync in progress?"), and an install that goes on regardless may mix versions
# of that suite and the others (multiarch needs both architectures at one version). So:
# the update is tried a few times with a pause; a suite that stays broken is left out,
# and the packages come from the whole suites alone, through apt's own options on a
# copy of the machine's sources (its own files stay as they are).
apt_etc=${QUILM_APT_ETC:-/etc/apt}        # where the machine's sources are
tries=${QUILM_APT_TRIES:-3}
pause=${QUILM_APT_PAUSE:-20}              # seconds between two tries
update_log=$(mktemp)
whole=$(mktemp -d)
trap 'rm -rf "$update_log" "$whole"' EXIT

# apt-get update, tried up to $tries times; its output is shown and kept in $update_log.
update_with_retries() {
  local try
  for ((try = 1; try <= tries; try++)); do
    if apt-get "$@" update -q 2>&1 | tee "$update_log"; then
      grep -q '^E: ' "$update_log" || return 0
    fi
    [ "$try" -lt "$tries" ] && { echo "setup: apt-get update failed (try $try of $tries); again in $pause s" >&2; sleep "$pause"; }
  done
  return 1
}

# The suites whose index could not be fetched, from the update's output:
# "Failed to fetch <URI>/dists/<suite>/...".
broken_suites() {
  grep -o 'Failed to fetch [^ ]*/dists/[^/ ]*/' "$update_log" | sed 's#.*/dists/\([^/]*\)/#\1#' | sort -u | tr '\n' ' ' || true
}

# Copies the machine's sources into $whole without the suites named in $1: a deb822
# stanza loses those suites (the whole stanza when none is left), a one-line entry of
# such a suite is dropped.
sources_without() {
  local f
  for f in "$apt_etc"/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk -v broken="$1" '
      BEGIN { n = split(broken, b, " "); for (i = 1; i <= n; i++) bad[b[i]] = 1; keep = 1 }
      function flush() { if (text != "" && keep) printf "%s\n", text; text = ""; keep = 1 }
      /^[ \t]*$/ { flush(); next }
      /^Suites:/ {
        left = ""; m = split(substr($0, 8), s, /[ \t]+/)
        for (i = 1; i <= m; i++) if (s[i] != "" && !(s[i] in bad)) left = left " " s[i]
        if (left == "") keep = 0
        $0 = "Suites:" left
      }
      { text = text $0 "\n" }
      END { flush() }' "$f" > "$whole/$(basename "$f")"
  done
  for f in "$apt_etc/sources.list" "$apt_etc"/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk -v broken="$1" '
      BEGIN { n = split(broken, b, " "); for (i = 1; i <= n; i++) bad[b[i]] = 1 }
      $1 == "deb" || $1 == "deb-src" {
        i = 2  # the URI, after the options in brackets if there are any
        if ($i ~ /^\[/) { while ($i !~ /\]$/ && i < NF) i++; i++ }
        if ($(i + 1) in bad) next
      }
      { print }' "$f" > "$whole/$(basename "$f")"
  done
}

if update_with_retries; then
  apt-get install -y -q --no-install-recommends "${need[@]}"
  exit 0
fi
broken=$(broken_suites)
if [ -z "$broken" ]; then
  echo "setup: apt-get update failed $tries times, and no single suite is to blame (see above): cannot install ${need[*]}" >&2
  exit 1
fi
sources_without "$broken"
echo "setup: the package index of ${broken% } stays incomplete (a mirror in mid-sync?): installing from the machine's other suites only" >&2
whole_only=(-o Dir::Etc::sourcelist=/dev/null -o "Dir::Etc::sourceparts=$whole")
if ! update_with_retries "${whole_only[@]}" ||
   ! apt-get "${whole_only[@]}" install -y -q --no-install-recommends "${need[@]}"; then
  echo "setup: cannot install ${need[*]}: apt-get fails even without ${broken% } (see above)" >&2
  exit 1
fi
