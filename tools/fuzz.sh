#!/usr/bin/env bash
# Builds the libFuzzer targets, replays the seed corpus of each, then fuzzes each for a
# bounded time (FUZZ_SECONDS, default 12). Findings are written to build/fuzz/findings.
# Usage: tools/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-${FUZZ_SECONDS:-12}}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/findings
status=0
for target in build/fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  seeds=fuzz/corpus/${name#fuzz_}
  work=build/fuzz/corpus/${name#fuzz_}
  mkdir -p "$work"
  echo "== $name: replaying $(ls "$seeds" | wc -l) seeds, then fuzzing ${seconds}s"
  "$target" -runs=0 "$seeds" 2>&1 | tail -n 1 || status=1
  # New inputs go to a work corpus in the build folder; the seeds stay as committed.
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix=build/fuzz/findings/"$name"- "$work" "$seeds" 2>&1 | grep -E '^(#[0-9]+ +DONE|Done|==[0-9]+==ERROR|SUMMARY)' || true
  if ls build/fuzz/findings/"$name"-* >/dev/null 2>&1; then
    echo "$name: finding(s) in build/fuzz/findings"; status=1
  fi
done
exit $status
