#!/usr/bin/env bash
# Sets up, builds and runs every test: native (sanitizers, the shipped DLL's format, a
# short fuzz run), then on each Windows side this machine runs (see wine-sides.sh;
# QUILM_WINE_ARCH=auto|x86|x64) the Windows unit tests under Wine and the end-to-end
# cases with the stand-in game. Where the machine cannot run 32-bit code at all, the
# shipped 32-bit plug-in still runs: a smoke of it in the 32-bit test machine
# (scripts/vm32.sh), beside the x64 side (QUILM_VM32=0 leaves it out). Says first and
# last which side(s) ran and why. Whether it passes, fails or is interrupted, it leaves
# nothing running (the last check proves it for a run that ends).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source "$root/scripts/wine-sides.sh"
quilm_pick_sides
echo "== $(quilm_sides_line "Windows tests run")"
start=$SECONDS
"$root/scripts/setup-packages.sh"

export QUILM_BUILD=$root/build
source "$root/scripts/wine-env.sh"
trap quilm_stop_all EXIT
# The first side's prefix boots while everything builds.
wine_use "$(quilm_first_side)"
start_display "$DISPLAY"
wine_prefix_ready & prefix_job=$!
"$root/scripts/build.sh"
wait $prefix_job

status=0
results=()
# Lines of a file the test runs may or may not have written.
count_lines() { if [ -f "$1" ]; then wc -l < "$1"; else echo 0; fi; }
# Where the 32-bit side does not run, only the shipped DLL was built for it so far; the
# rest of the i686 build (tests, stand-in game, benchmarks) compiles beside the tests
# too, so that -Werror holds on both builds on every machine; then the 32-bit test
# machine runs the smoke with it.
i686_job=
vm32_smoke=0
if [[ " $QUILM_SIDES " != *" x86 "* ]]; then
  [ "$QUILM_CAN_RUN_32BIT" = 0 ] && [ "${QUILM_VM32:-1}" != 0 ] && vm32_smoke=1
  (
    nice -n 10 cmake --build build/win32 > build/win32-all.log 2>&1 || exit 1
    [ $vm32_smoke = 1 ] || exit 0
    QUILM_VM_NICE=5 "$root/scripts/vm32.sh" smoke > build/vm32-smoke.log 2>&1 || exit 2
  ) </dev/null & i686_job=$!
fi
ctest --test-dir build/native --output-on-failure || status=1
# The set-up's decisions on a failing apt-get update, with stand-ins (no root, no network).
setup_result=passed
"$root/tests/scripts/setup-packages-test.sh" || { status=1; setup_result=FAILED; }
results+=("set-up on a mirror in mid-sync (tests/scripts/setup-packages-test.sh): $setup_result")
# The short fuzz run goes on beside the Windows tests, at the lowest priority: they
# mostly wait on real-time playback, and the fuzzer takes the idle time.
nice -n 19 "$root/scripts/fuzz.sh" 10 > build/native/fuzz-summary.txt 2>&1 </dev/null & fuzz_job=$!
for side in $QUILM_SIDES; do
  wine_use "$side"
  side_start=$SECONDS
  echo "== $side side: $QUILM_WIN_BUILD under $("$QUILM_WINE" --version 2>/dev/null) ($WINEARCH)"
  wine_up
  wine_up_lane 2
  wine_up_lane 3
  rm -f "$QUILM_WIN_BUILD/faults-at-exit.txt" "$QUILM_WIN_BUILD/allowed-faults-at-exit.txt"
  side_status=passed
  # Four at a time: the end-to-end cases on lanes 1 and 3, the soak on lane 2, and the
  # unit tests beside them; most of their time is real-time playback.
  ctest --test-dir "$QUILM_WIN_BUILD" --output-on-failure -j4 || { status=1; side_status=FAILED; }
  faults=$(count_lines "$QUILM_WIN_BUILD/faults-at-exit.txt")
  allowed=$(count_lines "$QUILM_WIN_BUILD/allowed-faults-at-exit.txt")
  results+=("$side side: $side_status in $((SECONDS - side_start)) s; faults at exit: $faults end-to-end run(s) (each one fails), plus $allowed in the case of a game that calls ExitProcess with a track playing (allowed)")
  wine_down
done

# The README's first command, as a new user runs it: it plays the whole demo and leaves
# the clone as it was (what it makes goes under build/).
clone_before=$(git status --porcelain 2>/dev/null || true)
demo_result=passed
QUILM_BUILT=1 "$root/scripts/demo.sh" > build/demo-check.log 2>&1 </dev/null || demo_result="FAILED (build/demo-check.log)"
grep -q "Volume> muted" build/demo-check.log || demo_result="FAILED: not every line came (build/demo-check.log)"
[ "$(git status --porcelain 2>/dev/null || true)" = "$clone_before" ] ||
  { demo_result="FAILED: it changed the clone"; git status --short; }
[ "$demo_result" = passed ] || { status=1; tail -30 build/demo-check.log; }
results+=("demo (scripts/demo.sh): $demo_result")

fuzz_status=passed
wait $fuzz_job || { status=1; fuzz_status=FAILED; }
cat build/native/fuzz-summary.txt
results+=("fuzzing: $fuzz_status")
if [ -n "$i686_job" ]; then
  i686_status=0
  wait $i686_job || i686_status=$?
  if [ $i686_status = 1 ]; then
    status=1
    tail -40 build/win32-all.log
    results+=("i686 build of everything: FAILED")
  else
    results+=("i686 build of everything: passed")
  fi
  if [ $vm32_smoke = 1 ]; then
    cat build/vm32-smoke.log
    if [ $i686_status = 0 ]; then
      results+=("x86 side, in the 32-bit test machine: $(grep '^vm32: 32-bit smoke' build/vm32-smoke.log | sed 's/^vm32: //')")
    else
      status=1
      results+=("x86 side, in the 32-bit test machine: the smoke FAILED or did not run (build/vm32-smoke.log)")
    fi
  fi
fi

# Nothing of this run outlives it: every Wine server (each with its services and the
# desktop's keeper), display and program that the lanes, the demo and the jobs beside
# them started has ended.
quilm_stop_all
for _ in $(seq 50); do
  leftovers=$(quilm_leftovers)
  [ -z "$leftovers" ] && break
  sleep 0.1
done
if [ -z "$leftovers" ]; then
  results+=("nothing left running (no process whose environment names this build or its Wine prefixes): passed")
else
  status=1
  results+=("nothing left running: FAILED, still running:")
  while IFS= read -r line; do results+=("  $line"); done <<< "$leftovers"
fi

echo "== $(quilm_sides_line "Windows tests ran")"
for line in "${results[@]}"; do echo "== $line"; done
echo "== test command: $((SECONDS - start)) s, $([ $status = 0 ] && echo passed || echo FAILED)"
exit $status
