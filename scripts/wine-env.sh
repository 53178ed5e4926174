# Sourced by the project's scripts: a private Wine set-up under the build folder.
#   wine_up    start Xvfb, a persistent wineserver and the prefix (idempotent)
#   wine_down  stop what wine_up started
#   wine_session  build the Windows side, wine_up now and wine_down at exit
# Variables: QUILM_BUILD (default build), QUILM_DISPLAY (default :97).

QUILM_ROOT=${QUILM_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
QUILM_BUILD=${QUILM_BUILD:-$QUILM_ROOT/build}
QUILM_WINE_HOME=$QUILM_BUILD/wine-home
export WINEPREFIX=$QUILM_BUILD/wine-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32
export DISPLAY=${QUILM_DISPLAY:-:97}
export HOME=$QUILM_WINE_HOME

wine_up() {
  mkdir -p "$QUILM_WINE_HOME"
  # No sound card here: ALSA's null device lets MCI open and play MP3s in real time.
  printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$QUILM_WINE_HOME/.asoundrc"

  local lock="/tmp/.X${DISPLAY#:}-lock"
  if ! xdpyinfo >/dev/null 2>&1; then
    rm -f "$lock"
    Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    echo $! > "$QUILM_BUILD/xvfb.pid"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  fi

  # Wine's background services inherit our output: send it nowhere, or a reader of
  # our output waits forever.
  if [ ! -f "$WINEPREFIX/.quilm-ready" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 </dev/null || true
    # Message boxes close at once without a window manager.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null
    touch "$WINEPREFIX/.quilm-ready"
  fi
  # A persistent server: each later wine start costs about 0.1 s instead of 1-2 s.
  wineserver -p >/dev/null 2>&1 </dev/null || true
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}

# For a script that needs the plug-in and Wine: builds the Windows side, starts Wine,
# and stops it again when the script exits.
wine_session() {
  QUILM_WIN32_ONLY=1 "$QUILM_ROOT/scripts/build.sh"
  trap wine_down EXIT
  wine_up
}

wine_down() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -f "$QUILM_BUILD/xvfb.pid" ]; then
    kill "$(cat "$QUILM_BUILD/xvfb.pid")" 2>/dev/null || true
    rm -f "$QUILM_BUILD/xvfb.pid"
  fi
}
