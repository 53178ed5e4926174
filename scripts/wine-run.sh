#!/usr/bin/env bash
# Runs a Windows program under Wine for ctest: wine-run.sh LOADER PROGRAM [ARGS...].
#
# The program's output goes through a file, not straight to ctest's pipe. A Wine
# service that the program starts (the desktop process starts with the first window
# and lives until the last window-owning process has gone) inherits the program's
# output; holding ctest's pipe it would keep ctest waiting long after the program
# ended, for as long as other tests keep the desktop alive.
loader=$1
shift
out=$(mktemp "${TMPDIR:-/tmp}/quilm-wine-run.XXXXXX")
status=0
"$loader" "$@" >"$out" 2>&1 </dev/null || status=$?
cat "$out"
rm -f "$out"
exit $status
