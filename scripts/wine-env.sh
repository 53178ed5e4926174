# Sourced by the project's scripts: a private Wine set-up under the build folder, one
# prefix per Windows side.
#   wine_use SIDE  pick the side (x86: build/win32 under 32-bit Wine; x64: build/win64
#                  under 64-bit Wine); sets QUILM_WIN_BUILD, QUILM_WINE, WINEPREFIX
#   wine_up        start Xvfb, a persistent wineserver and the prefix (idempotent)
#   wine_up_lane N another display, server and prefix (test lanes 2 and 3)
#   wine_down      stop what wine_up and wine_up_lane started
#   quilm_stop_all stop every process below this script, then wine_down (the scripts'
#                  exit trap: whether they pass, fail or are interrupted)
#   quilm_leftovers  list what this build's scripts started and still runs
#   wine_session   build, pick the side the demo and benchmarks use, wine_up now and
#                  quilm_stop_all at exit
# Variables: QUILM_BUILD (default build), QUILM_DISPLAY (default :97), QUILM_WINE_ARCH,
# QUILM_PREFIX_ROOT (default QUILM_BUILD).

QUILM_ROOT=${QUILM_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
QUILM_BUILD=${QUILM_BUILD:-$QUILM_ROOT/build}
QUILM_WINE_HOME=$QUILM_BUILD/wine-home
source "$QUILM_ROOT/scripts/wine-sides.sh"
# Wine maps Unix file names to Windows ones through the locale's character set: UTF-8,
# so that names in any script come through (the ANSI code page is then 1252).
export LC_ALL=C.UTF-8
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY=${QUILM_DISPLAY:-:97}
export HOME=$QUILM_WINE_HOME

wine_use() {
  QUILM_SIDE=$1
  case $QUILM_SIDE in
    x86)
      export WINEARCH=win32 QUILM_WIN_BUILD=$QUILM_BUILD/win32
      # The wrappers pick the 32-bit loader where it is installed.
      export QUILM_WINE=wine QUILM_WINESERVER=wineserver ;;
    x64)
      # The wrappers would start the 32-bit loader where it is installed too.
      export WINEARCH=win64 QUILM_WIN_BUILD=$QUILM_BUILD/win64
      export QUILM_WINE=/usr/lib/wine/wine64 QUILM_WINESERVER=/usr/lib/wine/wineserver64 ;;
    *) echo "unknown Windows side '$QUILM_SIDE'" >&2; return 1 ;;
  esac
  # QUILM_PREFIX_ROOT: where the prefixes live, if not in the build folder (the 32-bit
  # test machine keeps its own on its own disk).
  export QUILM_SIDE WINEPREFIX=${QUILM_PREFIX_ROOT:-$QUILM_BUILD}/wine-prefix-$QUILM_SIDE
}

# Runs a command with no output of ours: Wine's background services (the server, the
# desktop process, services.exe) inherit the output of whatever starts them, and a
# reader of our output (ctest, a $(...), a pipe) would then wait until they end.
wine_quiet() { "$@" >/dev/null 2>&1 </dev/null; }

# Starts an X server on a display unless one answers there.
start_display() {
  local display=$1
  mkdir -p "$QUILM_BUILD"
  if ! DISPLAY=$display xdpyinfo >/dev/null 2>&1; then
    rm -f "/tmp/.X${display#:}-lock"
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    echo $! > "$QUILM_BUILD/xvfb${display#:}.pid"
    for _ in $(seq 50); do DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  fi
}

# Creates the side's prefix once (wineboot takes a while: start it early with
# wine_prefix_ready &, then wine_up waits for it).
wine_prefix_ready() {
  mkdir -p "$QUILM_WINE_HOME"
  if [ ! -f "$WINEPREFIX/.quilm-ready" ]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    wine_quiet "$QUILM_WINE" wineboot -i || true
    # Message boxes close at once without a window manager.
    wine_quiet "$QUILM_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
    wine_quiet "$QUILM_WINESERVER" -w
    touch "$WINEPREFIX/.quilm-ready"
  fi
}

# The test bench's second drive: R: is a folder under the build folder (a link in the
# prefix's dosdevices, as a drive letter is under Wine).
link_second_drive() {
  mkdir -p "$QUILM_BUILD/second-drive" "$1/dosdevices"
  ln -sfn "$QUILM_BUILD/second-drive" "$1/dosdevices/r:"
}

wine_up() {
  mkdir -p "$QUILM_WINE_HOME"
  # No sound card here: ALSA's null device lets MCI open and play MP3s in real time.
  printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$QUILM_WINE_HOME/.asoundrc"
  start_display "$DISPLAY"
  wine_prefix_ready
  link_second_drive "$WINEPREFIX"
  start_server
}

# Starts the prefix's server for good, with its services and the desktop process.
start_server() {
  # A persistent server: each later wine start costs about 0.1 s instead of 1-2 s.
  wine_quiet "$QUILM_WINESERVER" -p || true
  wine_quiet "$QUILM_WINE" cmd /c exit || true
  # Keeps the desktop process up until the server ends: otherwise it ends about a
  # second after each program and the next one waits for it to start again.
  if [ -f "$QUILM_WIN_BUILD/standin-host.exe" ]; then
    wine_quiet "$QUILM_WINE" "$QUILM_WIN_BUILD/standin-host.exe" --hold-desktop &
  fi
}

# Test lane N (2, 3, ...): a display with a Wine server and prefix of its own (a copy
# of the first), so that end-to-end runs on different lanes go on side by side and the
# focus and keys of one never reach another. Exports QUILM_LANE<N>_DISPLAY and
# QUILM_LANE<N>_PREFIX for the test runners.
wine_up_lane() {
  local lane=$1
  local display=:$(( ${DISPLAY#:} + lane - 1 )) prefix=$WINEPREFIX-$lane
  export "QUILM_LANE${lane}_DISPLAY=$display" "QUILM_LANE${lane}_PREFIX=$prefix"
  # A list, not a text: the build folder's path may hold blanks.
  QUILM_LANE_PREFIXES+=("$prefix")
  start_display "$display"
  if [ ! -f "$prefix/.quilm-ready" ]; then
    rm -rf "$prefix"
    cp -a "$WINEPREFIX" "$prefix"
  fi
  link_second_drive "$prefix"
  DISPLAY=$display WINEPREFIX=$prefix start_server
}

# For a script that needs the plug-in and Wine: builds (unless QUILM_BUILT=1: the
# caller has), picks the first side the machine runs, starts Wine, and stops it again
# when the script exits.
wine_session() {
  [ "${QUILM_BUILT:-0}" = 1 ] || QUILM_WINDOWS_ONLY=1 "$QUILM_ROOT/scripts/build.sh"
  quilm_pick_sides
  wine_use "$(quilm_first_side)"
  trap quilm_stop_all EXIT
  wine_up
}

QUILM_LANE_PREFIXES=()

# Ends a prefix's server: it kills every Wine process of the prefix (its services, the
# desktop, a program still running) as it goes; waits for that, 10 s at most.
stop_server() {
  "$QUILM_WINESERVER" -k >/dev/null 2>&1 || true
  timeout 10 "$QUILM_WINESERVER" -w >/dev/null 2>&1 || true
}

wine_down() {
  stop_server
  local prefix
  for prefix in "${QUILM_LANE_PREFIXES[@]}"; do
    WINEPREFIX=$prefix stop_server
  done
  QUILM_LANE_PREFIXES=()
  local pid
  for pid in "$QUILM_BUILD"/xvfb*.pid; do
    [ -f "$pid" ] || continue
    kill "$(cat "$pid")" 2>/dev/null || true
    rm -f "$pid"
  done
}

# Every process below process $1 as it stands now, the shell that asks left out.
quilm_descendants() {
  local child
  for child in $(ps -o pid= --ppid "$1" 2>/dev/null); do
    [ "$child" = "$BASHPID" ] && continue
    echo "$child"
    quilm_descendants "$child"
  done
}

# The exit trap of the scripts: ends whatever they started, whether they pass, fail or
# are interrupted. First every process below the script (a test run, a build, the
# 32-bit test machine, a game, a job in the background: a job started with & does not
# get the terminal's Ctrl+C, and a script killed on its own leaves its children), then
# the Wine servers with all they run (a server leaves the script's process group as it
# starts), then the displays.
quilm_stop_all() {
  local pids pid alive
  pids=$(quilm_descendants $$)
  if [ -n "$pids" ]; then
    kill -TERM $pids 2>/dev/null || true
    for _ in $(seq 50); do
      alive=$(ps -o pid=,stat= -p "$(echo $pids | tr ' ' ,)" 2>/dev/null | awk '$2 !~ /^Z/' || true)
      [ -z "$alive" ] && break
      sleep 0.1
    done
    kill -KILL $pids 2>/dev/null || true
  fi
  wine_down
}

# What the scripts of this build started and still runs: each process, but this shell
# and its callers, whose environment names this build folder (QUILM_BUILD, which the
# scripts export) or one of its Wine prefixes. One line each: the process ID and its
# command line; nothing when all is stopped.
quilm_leftovers() {
  local keep=" " pid=$BASHPID file
  while [ -n "$pid" ] && [ "$pid" -gt 1 ]; do
    keep+="$pid "
    pid=$(ps -o ppid= -p "$pid" | tr -d ' ')
  done
  local files
  # Listed first, looked at after: the searches themselves have ended by then.
  files=$({ grep -lzxF "QUILM_BUILD=$QUILM_BUILD" /proc/[0-9]*/environ
            grep -lzF "WINEPREFIX=${QUILM_PREFIX_ROOT:-$QUILM_BUILD}/wine-prefix-" /proc/[0-9]*/environ
          } 2>/dev/null | sort -u)
  for file in $files; do
    pid=${file#/proc/}
    pid=${pid%/environ}
    [[ $keep == *" $pid "* ]] && continue
    [ -e "/proc/$pid" ] || continue
    echo "$pid $(tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null)"
  done
}
