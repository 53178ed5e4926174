#!/usr/bin/env bash
# Runs the libFuzzer targets for SECONDS each (default 60): the value parser and the
# configuration text pass. Needs the native build (scripts/build.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
status=0
for target in fuzz_value_parser fuzz_config_text fuzz_playlist_file fuzz_id3v2; do
  corpus=$(mktemp -d)
  if "$root/build/native/$target" -max_total_time="$seconds" -max_len=2000000 -rss_limit_mb=2048 \
       -print_final_stats=1 "$corpus" > "$root/build/native/$target.log" 2>&1; then
    echo "$target: $(grep -E 'stat::number_of_executed_units' "$root/build/native/$target.log" | awk '{print $2}') runs, no failure"
  else
    echo "$target: FAILED"; tail -30 "$root/build/native/$target.log"; status=1
  fi
  rm -rf "$corpus"
done
exit $status
