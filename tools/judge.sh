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
#                                line must be "N of N checks passed" for that N. On a machine
#                                that runs no 32-bit programs (tools/wine-loader.sh) the last
#                                line may instead be "P of N checks passed, K not run: {why}"
#                                with P + K = N and each of the K named on a "NOT RUN: " line;
#                                where 32-bit programs run, a check not run fails the suite.
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
[ "$last" = "$planned of $planned checks passed" ] && verdict 0 "$planned of $planned checks ran and passed"

# Checks that need 32-bit Windows programs, on a machine that runs none: every other check
# ran and passed, and each one that did not is named.
. "$(dirname "$0")/wine-loader.sh"
not_run_line="^([0-9]+) of $planned checks passed, ([0-9]+) not run: $TU_WINE_NO_32BIT_REASON\$"
if [[ $last =~ $not_run_line ]]; then
  passed=${BASH_REMATCH[1]} skipped=${BASH_REMATCH[2]}
  named=$(lines_of "$output" | grep -c '^NOT RUN: ')
  [ "$TU_WINE_RUNS_32BIT" = 0 ] ||
    verdict 1 "$skipped checks were not run, but this machine runs 32-bit programs: they must run"
  [ $((passed + skipped)) -eq "$planned" ] ||
    verdict 1 "$passed passed and $skipped not run do not make the $planned planned checks"
  [ "$named" -eq "$skipped" ] || verdict 1 "$skipped checks not run, but $named named"
  verdict 0 "$passed of $planned checks ran and passed; $skipped not run, named above: $TU_WINE_NO_32BIT_REASON"
fi
verdict 1 "the suite ended without passing its $planned planned checks; its last line: $last"
