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
  printf '\n%d of %d checks passed\n' "$passed" "$tu_checks_planned"
  exit 0
}
