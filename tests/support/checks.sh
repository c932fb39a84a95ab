# shellcheck shell=bash
# Counted checks for the shell-driven suites. A suite announces how many checks it will run
# (plan), every check counts once, passed or failed, and the suite ends through finish, whose
# last line says how many ran and passed. A suite that ends any other way (an exit in the
# middle, a command that kills the shell) fails, whatever its exit status would have been;
# tools/judge.sh holds the suite to the same lines from outside.
# Sourced.

tu_checks_planned=
tu_checks_run=0
tu_checks_failed=0
tu_checks_not_run=0
tu_checks_finished=0

# When the suite's shell exits without having gone through finish.
tu_checks_on_exit() {
  local status=$?
  if [ "$tu_checks_finished" -eq 0 ]; then
    printf '\nended early: %d of %s checks ran (exit status %d)\n' "$tu_checks_run" "${tu_checks_planned:-?}" "$status"
    exit 1
  fi
}

plan() {  # number of checks
  tu_checks_planned=$1
  printf 'plan: %d checks\n' "$1"
  trap tu_checks_on_exit EXIT
}

pass() {
  tu_checks_run=$((tu_checks_run + 1))
}

fail() {  # what went wrong
  tu_checks_run=$((tu_checks_run + 1))
  tu_checks_failed=$((tu_checks_failed + 1))
  printf 'FAIL: %s\n' "$*"
}

# One check: passes when the command succeeds, else fails with the description.
check() {  # description, command...
  local what=$1
  shift
  if "$@"; then pass; else fail "$what"; fi
}

failures() { printf '%d\n' "$tu_checks_failed"; }

# Whether this machine runs 32-bit Windows programs (tools/wine-loader.sh decides, once).
runs_32bit() {
  [ -n "${TU_WINE_RUNS_32BIT:-}" ] || . "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-loader.sh"
  [ "$TU_WINE_RUNS_32BIT" = 1 ]
}

# A check that cannot run here because it starts a 32-bit Windows program: counted and named
# as not run, never as passed. tools/judge.sh accepts a suite with such checks only on a
# machine that runs no 32-bit programs, so a skip can never hide a failure where it could run.
not_run() {  # what the check shows
  runs_32bit || true
  tu_checks_run=$((tu_checks_run + 1))
  tu_checks_not_run=$((tu_checks_not_run + 1))
  printf 'NOT RUN: %s: %s\n' "$1" "$TU_WINE_NO_32BIT_REASON"
}

finish() {
  tu_checks_finished=1
  local passed=$((tu_checks_run - tu_checks_failed))
  if [ -z "$tu_checks_planned" ]; then
    printf '\nno plan announced; %d checks ran\n' "$tu_checks_run"
    exit 1
  fi
  if [ "$tu_checks_failed" -ne 0 ] || [ "$tu_checks_run" -ne "$tu_checks_planned" ]; then
    printf '\n%d of %d checks ran, %d failed\n' "$tu_checks_run" "$tu_checks_planned" "$tu_checks_failed"
    exit 1
  fi
  if [ "$tu_checks_not_run" -ne 0 ]; then
    printf '\n%d of %d checks passed, %d not run: %s\n' "$((passed - tu_checks_not_run))" \
      "$tu_checks_planned" "$tu_checks_not_run" "$TU_WINE_NO_32BIT_REASON"
    exit 0
  fi
  printf '\n%d of %d checks passed\n' "$passed" "$tu_checks_planned"
  exit 0
}
