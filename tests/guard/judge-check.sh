#!/usr/bin/env bash
# The judge of every test program, judged: a GoogleTest program and a shell suite that end
# half way with status 0 must fail, and the same programs run to their end must pass; a suite
# that names a check as not run passes only where 32-bit programs cannot run.
#
# Usage: judge-check.sh [RUNNER...] EARLY_EXIT_TEST
#   RUNNER: how to start the test program (an emulator such as tools/wine-run.sh PREFIX).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
judge=$root/tools/judge.sh
. "$root/tests/support/checks.sh"
plan 9

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

# A suite that runs one check and names one as not run, judged as if on a machine that runs
# 32-bit programs and on one that does not: stand-ins for the 32-bit loader tell which.
cat >"$work/skips.sh" <<SUITE
#!/usr/bin/env bash
. "$root/tests/support/checks.sh"
plan 2
pass
not_run "a 32-bit program runs"
finish
SUITE
chmod +x "$work/skips.sh"
printf '#!/bin/sh\nexit 0\n' >"$work/loader-runs"
printf '#!/bin/sh\nexit 126\n' >"$work/loader-fails"
chmod +x "$work/loader-runs" "$work/loader-fails"
env -u TU_WINE_ASSUME_NO_32BIT TU_WINE32_LOADER="$work/loader-runs" "$judge" checks "$work/skips.sh" >"$work/skips-32.log" 2>&1
status=$?
check "where 32-bit programs run, the judge passes a suite that did not run a check: $(verdict_of "$work/skips-32.log")" \
  test $status -ne 0
TU_WINE32_LOADER="$work/loader-fails" "$judge" checks "$work/skips.sh" >"$work/skips-64.log" 2>&1
status=$?
check "where no 32-bit program runs, the judge fails a suite that named its check not run: $(verdict_of "$work/skips-64.log")" \
  test $status -eq 0
# The closing count alone, without the check named, is not enough.
sed -i 's/^not_run .*/tu_checks_run=2 tu_checks_not_run=1 TU_WINE_NO_32BIT_REASON="this machine runs no 32-bit programs"/' "$work/skips.sh"
TU_WINE32_LOADER="$work/loader-fails" "$judge" checks "$work/skips.sh" >"$work/skips-unnamed.log" 2>&1
status=$?
check "the judge passes a suite that counts a check not run without naming it: $(verdict_of "$work/skips-unnamed.log")" \
  test $status -ne 0
rm -rf "$work"
finish
