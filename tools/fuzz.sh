#!/usr/bin/env bash
# Builds the libFuzzer targets, replays every committed seed of each (a seed that crashes
# fails the script at once), then fuzzes each target in turn. The fuzzing time is shared
# evenly among the targets (at least 5 s each); by default the whole script, replays
# included, takes about a minute once the targets are built.
# New inputs go to a work corpus in the build folder; the seeds stay as committed.
# Findings are written to build/fuzz/findings and fail the script.
# Two counted checks per target source in fuzz/ (its seeds replay cleanly; fuzzing finds
# nothing), so a target that was not built counts as failed, not as absent.
# Usage: tools/fuzz.sh [TOTAL_SECONDS]   (or FUZZ_TOTAL_SECONDS; default 54)
set -euo pipefail
cd "$(dirname "$0")/.."
. tests/support/checks.sh
total=${1:-${FUZZ_TOTAL_SECONDS:-54}}
names=()
for source in fuzz/fuzz_*.cpp; do
  names+=("$(basename "$source" .cpp)")
done
plan $((2 * ${#names[@]}))
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

seconds=$(( total / ${#names[@]} ))
[ "$seconds" -ge 5 ] || seconds=5

mkdir -p build/fuzz/findings
for name in "${names[@]}"; do
  target=build/fuzz/fuzz/$name
  seeds=fuzz/corpus/${name#fuzz_}
  work=build/fuzz/corpus/${name#fuzz_}
  if [ ! -x "$target" ] || [ ! -d "$seeds" ]; then
    fail "$name: not built, or no seed corpus in $seeds"
    fail "$name: not fuzzed"
    continue
  fi
  mkdir -p "$work"
  echo "== $name: replaying $(ls "$seeds" | wc -l) seeds, then fuzzing ${seconds}s"
  if ! "$target" -runs=0 -artifact_prefix=build/fuzz/findings/"$name"-seed- "$seeds" >build/fuzz/"$name".replay.log 2>&1; then
    tail -n 30 build/fuzz/"$name".replay.log
    fail "$name: a seed fails"
    fail "$name: not fuzzed"
    continue
  fi
  pass
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix=build/fuzz/findings/"$name"- "$work" "$seeds" >build/fuzz/"$name".log 2>&1 || true
  grep -E '^(#[0-9]+ +DONE|Done)' build/fuzz/"$name".log || true
  if ls build/fuzz/findings/"$name"-* >/dev/null 2>&1; then
    grep -E '^(==[0-9]+==ERROR|SUMMARY)' build/fuzz/"$name".log || true
    fail "$name: finding(s) in build/fuzz/findings, log in build/fuzz/$name.log"
  else
    pass
  fi
done
finish
