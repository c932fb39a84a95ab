#!/usr/bin/env bash
# The judge of every test program, judged: a GoogleTest program and a shell suite that end
# half way with status 0 must fail, and the same programs run to their end must pass.
#
# Usage: judge-check.sh [RUNNER...] EARLY_EXIT_TEST
#   RUNNER: how to start the test program (an emulator such as tools/wine-run.sh PREFIX).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
judge=$root/tools/judge.sh
. "$root/tests/support/checks.sh"
plan 6

work=$(mktemp -d)

verdict_of() {  # log file: the judge's last line
  tail -n 1 "$1" | tr -d '\r'
}

# The GoogleTest program.
"$judge" gtest "$@" --gtest_filter=-EarlyExit.EndsTheProgram >"$work/whole.log" 2>&1
status=$?
check "the judge fails a whole run: $(verdict_of "$work/whole.log")" test $status -eq 0
"$judge" gtest "$@" >"$work/early.log" 2>&1
status=$?
check "the judge passes a run that ended early: $(verdict_of "$work/early.log")" test $status -ne 0
check "the judge does not say the run ended early: $(verdict_of "$work/early.log")" \
  grep -q 'ended early: 1 of 3 tests passed' "$work/early.log"

# A shell suite that plans three checks and stops after the first, with status 0.
cat >"$work/suite.sh" <<SUITE
#!/usr/bin/env bash
. "$root/tests/support/checks.sh"
plan 3
pass
[ "\${1:-}" = early ] && exec true
pass
pass
finish
SUITE
chmod +x "$work/suite.sh"
"$judge" checks "$work/suite.sh" >"$work/suite-whole.log" 2>&1
status=$?
check "the judge fails a whole suite: $(verdict_of "$work/suite-whole.log")" test $status -eq 0
"$judge" checks "$work/suite.sh" early >"$work/suite-early.log" 2>&1
status=$?
check "the judge passes a suite that ended early: $(verdict_of "$work/suite-early.log")" test $status -ne 0
# Without the judge, the suite's own exit trap catches an early exit that keeps the shell.
sed -i 's/exec true/exit 0/' "$work/suite.sh"
"$work/suite.sh" early >"$work/suite-exit.log" 2>&1
status=$?
check "a suite that exits early passes on its own" test $status -ne 0
rm -rf "$work"
finish
