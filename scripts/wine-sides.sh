# Sourced: decides which Windows side(s) the tests run on, from QUILM_WINE_ARCH
# (auto, x86 or x64; default auto) and from what this machine can execute.
# Sets QUILM_SIDES ("x86 x64", "x86" or "x64"), QUILM_SIDES_WHY (the reason) and
# QUILM_CAN_RUN_32BIT (1 or 0). Returns non-zero for a side the machine cannot run.

# True when the kernel executes 32-bit x86 code: a 93-byte static i386 program that
# only calls exit(0). Some kernels run with 32-bit emulation switched off; there every
# 32-bit ELF, the 32-bit Wine loader too, fails with "Exec format error".
quilm_can_run_32bit() {
  local probe
  probe=$(mktemp "${TMPDIR:-/tmp}/quilm-i386-probe.XXXXXX") || return 1
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' > "$probe"
  chmod +x "$probe"
  local status=0
  "$probe" >/dev/null 2>&1 || status=$?
  rm -f "$probe"
  return $status
}

quilm_pick_sides() {
  if quilm_can_run_32bit; then QUILM_CAN_RUN_32BIT=1; else QUILM_CAN_RUN_32BIT=0; fi
  case "${QUILM_WINE_ARCH:-auto}" in
    auto)
      if [ "$QUILM_CAN_RUN_32BIT" = 1 ]; then
        QUILM_SIDES="x86 x64"
        QUILM_SIDES_WHY="this machine runs 32-bit code: the shipped build first, then the x86_64 build so that the fallback stays tested"
      else
        QUILM_SIDES="x64"
        QUILM_SIDES_WHY="32-bit Wine unavailable on this machine: its kernel cannot execute 32-bit code"
      fi ;;
    x86)
      QUILM_SIDES="x86"
      QUILM_SIDES_WHY="QUILM_WINE_ARCH=x86"
      if [ "$QUILM_CAN_RUN_32BIT" != 1 ]; then
        echo "QUILM_WINE_ARCH=x86, but this machine cannot execute 32-bit code; use x64 or auto" >&2
        return 1
      fi ;;
    x64)
      QUILM_SIDES="x64"
      QUILM_SIDES_WHY="QUILM_WINE_ARCH=x64" ;;
    *)
      echo "QUILM_WINE_ARCH must be auto, x86 or x64, not '${QUILM_WINE_ARCH}'" >&2
      return 1 ;;
  esac
  export QUILM_SIDES QUILM_SIDES_WHY QUILM_CAN_RUN_32BIT
}

# The side that runs the demo and the benchmarks: the shipped one where it can.
quilm_first_side() { echo "${QUILM_SIDES%% *}"; }

# What a side is, in words: quilm_side_text x64
quilm_side_text() {
  case $1 in
    x86) echo "the shipped i686 build (build/win32) under 32-bit Wine" ;;
    x64) echo "the x86_64 build (build/win64) under 64-bit Wine" ;;
  esac
}

# One line saying what ran where and why: quilm_sides_line "Windows tests ran"
quilm_sides_line() {
  local side text=""
  for side in $QUILM_SIDES; do text="${text:+$text, and }$(quilm_side_text "$side")"; done
  echo "$1 on $text ($QUILM_SIDES_WHY)."
}
