#!/usr/bin/env bash
# Runs the libFuzzer targets for SECONDS each (default 60): the value parser, the
# configuration text pass, playlist files, ID3v2 tags, the key text and the resume state
# file. Each starts from the inputs of its table tests, where it has some (the native
# tests write them when QUILM_FUZZ_SEEDS names a folder). Needs the native build
# (scripts/build.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
status=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
QUILM_FUZZ_SEEDS=$work/seeds "$root/build/native/core_tests" >"$work/seeding.log" 2>&1 ||
  { echo "the table tests that seed the fuzzers failed:"; tail -30 "$work/seeding.log"; status=1; }
for target in fuzz_value_parser fuzz_config_text fuzz_playlist_file fuzz_id3v2 fuzz_key_text fuzz_resume_state; do
  corpus=$work/corpus-$target
  mkdir -p "$corpus"
  seeds=0
  if [ -d "$work/seeds/$target" ]; then
    cp "$work/seeds/$target"/* "$corpus/"
    seeds=$(ls "$corpus" | wc -l)
  fi
  if "$root/build/native/$target" -max_total_time="$seconds" -max_len=2000000 -rss_limit_mb=2048 \
       -print_final_stats=1 "$corpus" > "$root/build/native/$target.log" 2>&1; then
    echo "$target: $(grep -E 'stat::number_of_executed_units' "$root/build/native/$target.log" | awk '{print $2}') runs from $seeds seeds, no failure"
  else
    echo "$target: FAILED"; tail -30 "$root/build/native/$target.log"; status=1
  fi
done
exit $status
