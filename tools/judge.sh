#!/usr/bin/env bash
# Runs one test program and judges it by what it ran, not by its exit status alone: a
# program that ends half way with status 0 (a crash handler that exits cleanly, a closed
# stdout, an exit() deep in support code) must fail, not pass.
#
#   judge.sh gtest  COMMAND...   a GoogleTest program (COMMAND may start with an emulator):
#                                its list of tests (--gtest_list_tests, with the same
#                                arguments) is the count it must reach; the run must end with
#                                status 0, one "[       OK ]" per listed test and the
#                                summary "[  PASSED  ] N tests." for that count. A skipped
#                                test counts as not passed.
#   judge.sh checks COMMAND...   a shell-driven suite (tests/support/checks.sh): it must
#                                announce "plan: N checks", end with status 0, and its last
#                                line must be "N of N checks passed" for that N.
#
# The program's output is passed through as it comes; the verdict is the last line.
set -uo pipefail

mode=${1:-}
shift || true
if [ $# -eq 0 ] || { [ "$mode" != gtest ] && [ "$mode" != checks ]; }; then
  echo "usage: judge.sh gtest|checks COMMAND..." >&2
  exit 2
fi

output=$(mktemp)
trap 'rm -f "$output"' EXIT

verdict() {  # status, message
  printf 'judge: %s\n' "$2"
  exit "$1"
}

# Windows programs under Wine end their lines with CR LF.
lines_of() { tr -d '\r' <"$1"; }

if [ "$mode" = gtest ]; then
  if ! "$@" --gtest_list_tests >"$output" 2>&1; then
    cat "$output"
    verdict 1 "cannot list the tests of $*"
  fi
  # Suites start in the first column, tests are indented; disabled ones are listed but not run.
  expected=$(lines_of "$output" | awk '
    /^[^ ]/ { suite = $1; next }
    /^  [^ ]/ { if (suite !~ /(^|\/)DISABLED_/ && $1 !~ /^DISABLED_/) n++ }
    END { print n + 0 }')
  [ "$expected" -gt 0 ] || verdict 1 "the program lists no tests"

  "$@" 2>&1 | tee "$output"
  status=${PIPESTATUS[0]}
  ok=$(lines_of "$output" | grep -c '^\[       OK \] ')
  passed=$(lines_of "$output" | sed -n 's/^\[  PASSED  \] \([0-9][0-9]*\) tests\{0,1\}\.$/\1/p' | tail -n 1)
  [ "$status" -eq 0 ] || verdict 1 "exit status $status after $ok of $expected tests passed"
  [ -n "$passed" ] || verdict 1 "the program ended early: $ok of $expected tests passed, no summary (exit status 0)"
  [ "$passed" -eq "$expected" ] && [ "$ok" -eq "$expected" ] ||
    verdict 1 "$ok tests passed and the summary says $passed, but $expected were listed"
  verdict 0 "$expected of $expected tests ran and passed"
fi

"$@" 2>&1 | tee "$output"
status=${PIPESTATUS[0]}
planned=$(lines_of "$output" | sed -n 's/^plan: \([0-9][0-9]*\) checks$/\1/p' | tail -n 1)
last=$(lines_of "$output" | grep -v '^[[:space:]]*$' | tail -n 1)
[ -n "$planned" ] || verdict 1 "the suite announced no plan (exit status $status)"
[ "$status" -eq 0 ] || verdict 1 "exit status $status"
[ "$last" = "$planned of $planned checks passed" ] ||
  verdict 1 "the suite ended without passing its $planned planned checks; its last line: $last"
verdict 0 "$planned of $planned checks ran and passed"
