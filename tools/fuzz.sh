#!/usr/bin/env bash
# Builds the libFuzzer targets, replays every committed seed of each (a seed that crashes
# fails the script at once), then fuzzes each target in turn. The fuzzing time is shared
# evenly among the targets (at least 5 s each); by default the whole script, replays
# included, takes about a minute once the targets are built.
# New inputs go to a work corpus in the build folder; the seeds stay as committed.
# Findings are written to build/fuzz/findings and fail the script.
# Usage: tools/fuzz.sh [TOTAL_SECONDS]   (or FUZZ_TOTAL_SECONDS; default 54)
set -euo pipefail
cd "$(dirname "$0")/.."
total=${1:-${FUZZ_TOTAL_SECONDS:-54}}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

targets=()
for target in build/fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] && targets+=("$target")
done
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets built" >&2; exit 1; }
seconds=$(( total / ${#targets[@]} ))
[ "$seconds" -ge 5 ] || seconds=5

mkdir -p build/fuzz/findings
status=0
for target in "${targets[@]}"; do
  name=$(basename "$target")
  seeds=fuzz/corpus/${name#fuzz_}
  work=build/fuzz/corpus/${name#fuzz_}
  mkdir -p "$work"
  if [ ! -d "$seeds" ]; then
    echo "$name: no seed corpus in $seeds" >&2; status=1; continue
  fi
  echo "== $name: replaying $(ls "$seeds" | wc -l) seeds, then fuzzing ${seconds}s"
  if ! "$target" -runs=0 -artifact_prefix=build/fuzz/findings/"$name"-seed- "$seeds" >build/fuzz/"$name".replay.log 2>&1; then
    tail -n 30 build/fuzz/"$name".replay.log; echo "$name: a seed fails"; status=1; continue
  fi
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix=build/fuzz/findings/"$name"- "$work" "$seeds" >build/fuzz/"$name".log 2>&1 || true
  grep -E '^(#[0-9]+ +DONE|Done)' build/fuzz/"$name".log || true
  if ls build/fuzz/findings/"$name"-* >/dev/null 2>&1; then
    grep -E '^(==[0-9]+==ERROR|SUMMARY)' build/fuzz/"$name".log || true
    echo "$name: finding(s) in build/fuzz/findings, log in build/fuzz/$name.log"; status=1
  fi
done
exit $status
