#!/usr/bin/env bash
# The set-up's decisions when apt-get update fails, with a stand-in apt-get on PATH that
# fails the way a mirror in mid-sync does, and a stand-in machine's sources: no root,
# no network, the real apt untouched. Prints one line per case; fails on the first
# wrong decision.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"

# Nothing is installed, so every package is wanted.
printf '#!/bin/sh\nexit 1\n' > "$work/bin/dpkg-query"
# apt-get: logs each call; a plain update fails $STUB_UPDATE_FAILS times (a half-synced
# security suite, or with STUB_NO_SUITE a lock held); an update over other sources
# records them; an install fails with STUB_INSTALL_FAILS.
cat > "$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "apt-get $*" >> "$STUB_DIR/calls"
parts=
for arg; do case $arg in Dir::Etc::sourceparts=*) parts=${arg#*=} ;; esac; done
case " $* " in
  *" update "*)
    if [ -n "$parts" ]; then cat "$parts"/* > "$STUB_DIR/whole-sources"; exit 0; fi
    n=$(cat "$STUB_DIR/updates" 2>/dev/null || echo 0); echo $((n + 1)) > "$STUB_DIR/updates"
    [ "$n" -ge "${STUB_UPDATE_FAILS:-0}" ] && exit 0
    if [ -n "${STUB_NO_SUITE:-}" ]; then echo "E: Could not get lock /var/lib/apt/lists/lock"; exit 100; fi
    echo "Err:5 http://mirror.invalid/debian-security bookworm-security/main i386 Packages"
    echo "  File has unexpected size (270000 != 269000). Mirror sync in progress? [IP: 192.0.2.1 80]"
    echo "E: Failed to fetch http://mirror.invalid/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (270000 != 269000). Mirror sync in progress? [IP: 192.0.2.1 80]"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
    exit 100 ;;
  *" install "*) [ -z "${STUB_INSTALL_FAILS:-}" ] ;;
esac
STUB
chmod +x "$work/bin/"*

# The machine's sources, in either form.
mkdir -p "$work/deb822/sources.list.d" "$work/oneline"
cat > "$work/deb822/sources.list.d/debian.sources" <<'SRC'
Types: deb
# a comment stays
URIs: http://mirror.invalid/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://mirror.invalid/debian-security
Suites: bookworm-security
Components: main
SRC
cat > "$work/oneline/sources.list" <<'SRC'
deb http://mirror.invalid/debian bookworm main
deb [arch=amd64,i386 signed-by=/k.gpg] http://mirror.invalid/debian-security bookworm-security main
deb http://mirror.invalid/debian bookworm-updates main
SRC

failures=0
# run_case NAME ETC STATUS 'GREP-PATTERNS...' with STUB_* in the environment: the
# patterns must all be found in the calls, the message and the sources used.
run_case() {
  local name=$1 etc=$2 want=$3; shift 3
  rm -f "$work/calls" "$work/updates" "$work/whole-sources"
  local before status=0
  before=$(cd "$work" && find deb822 oneline -type f -exec md5sum {} +)
  PATH="$work/bin:$PATH" STUB_DIR=$work QUILM_APT_ETC=$etc QUILM_APT_TRIES=3 QUILM_APT_PAUSE=0 QUILM_WINE_ARCH=x64 \
    "$root/scripts/setup-packages.sh" > "$work/out" 2>&1 || status=$?
  local seen
  seen=$(cat "$work/calls" "$work/out" "$work/whole-sources" 2>/dev/null || true)
  local ok=1 pattern
  [ "$status" = "$want" ] || { ok=0; echo "  exit status $status, not $want"; }
  for pattern; do
    if [[ $pattern == !* ]]; then
      ! grep -qE -- "${pattern#!}" <<< "$seen" || { ok=0; echo "  found: ${pattern#!}"; }
    else
      grep -qE -- "$pattern" <<< "$seen" || { ok=0; echo "  missing: $pattern"; }
    fi
  done
  [ "$before" = "$(cd "$work" && find deb822 oneline -type f -exec md5sum {} +)" ] ||
    { ok=0; echo "  the machine's sources changed"; }
  if [ $ok = 1 ]; then echo "setup-packages: $name: passed"; else
    echo "setup-packages: $name: FAILED"; sed 's/^/  | /' "$work/out"; failures=$((failures + 1)); fi
}

STUB_UPDATE_FAILS=1 run_case "a mirror that heals on the second try" "$work/deb822" 0 \
  '^apt-get install -y' '!sourceparts' '!other suites'
STUB_UPDATE_FAILS=99 run_case "a suite that stays broken (deb822)" "$work/deb822" 0 \
  'sourcelist=/dev/null -o Dir::Etc::sourceparts=.* install -y' \
  "bookworm-security stays incomplete .*installing from the machine's other suites only" \
  '^Suites: bookworm bookworm-updates$' '^# a comment stays$' '^Signed-By: ' '!^Suites: bookworm-security' \
  '!mirror.invalid/debian-security$'
STUB_UPDATE_FAILS=99 run_case "a suite that stays broken (one-line sources)" "$work/oneline" 0 \
  '^deb http://mirror.invalid/debian bookworm main$' '^deb http://mirror.invalid/debian bookworm-updates main$' \
  '!^deb .*bookworm-security'
STUB_UPDATE_FAILS=99 STUB_NO_SUITE=1 run_case "a failure no suite is to blame for" "$work/deb822" 1 \
  'no single suite is to blame' '!install -y'
STUB_UPDATE_FAILS=99 STUB_INSTALL_FAILS=1 run_case "packages the whole suites cannot give" "$work/deb822" 1 \
  'cannot install .*apt-get fails even without bookworm-security'
[ $failures = 0 ]
