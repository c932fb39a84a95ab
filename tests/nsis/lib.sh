# shellcheck shell=bash
# Shared by the NSIS tests: building the example installers, running installers and
# uninstallers under Wine, and checking what is left on disk and in the run logs.
# Sourced; expects PREFIX (the Wine prefix) and WORK (a scratch folder of this test) set.

tu_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
tu_wine_run="$tu_root/tools/wine-run.sh"
. "$tu_root/tests/support/checks.sh"

drive_c="$PREFIX/drive_c"
install_dir="$drive_c/Tarvo"
# The example installers make their shortcuts for all users.
desktop="$drive_c/users/Public/Desktop"
start_menu="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
# Wine names the Windows user after the Unix one.
temp_dir="$drive_c/users/$(id -un)/Temp"
logs_dir="$install_dir/logs"

# makensis works in the folder of its script: every path handed to it must be absolute.
mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd)
abs_path() { printf '%s/%s\n' "$(cd "$(dirname "$1")" && pwd)" "$(basename "$1")"; }

say() { printf '%s\n' "$*"; }
step() {
  printf '\n== %s\n' "$*"
  step_failures=$(failures)
}
step_failures=0

quiet_grep() { grep "$@" 2>/dev/null; }

# Each expect_* is one counted check.
expect_exists() {
  check "expected to exist: ${1#"$drive_c"/}" test -e "$1"
}
expect_absent() {
  check "expected to be gone: ${1#"$drive_c"/}" test ! -e "$1"
}
expect_equal() {  # what, expected, actual
  check "$1: expected '$2', got '$3'" test "$2" = "$3"
}
# The file holds the exact line.
expect_line() {  # file, line
  check "no line '$2' in ${1#"$drive_c"/}" quiet_grep -qxF -- "$2" "$1"
}
# The file holds a line matching the extended regular expression.
expect_match() {  # file, regex
  check "no line matching '$2' in ${1#"$drive_c"/}" quiet_grep -qxE -- "$2" "$1"
}
expect_no_match() {  # file, regex
  if grep -qE -- "$2" "$1" 2>/dev/null; then fail "unexpected line matching '$2' in ${1#"$drive_c"/}"; else pass; fi
}

wine_run() { "$tu_wine_run" "$PREFIX" "$@"; }

# makensis OUT SCRIPT [-Dname=value...]: builds one installer into WORK (one check). Debian 12's
# makensis 3.08 carries the fix for CVE-2023-37378 (the uninstaller's copy is Un.exe), which
# the include cannot tell from its version number.
build_installer() {
  local out=$1 script=$2
  shift 2
  makensis -V2 -DTARVO_UNTARVO_NSIS_COPY_IS_UN_EXE "-DOUT_FILE=$WORK/$out" "$@" "$script" >"$WORK/$out.makensis.log" 2>&1 || {
    cat "$WORK/$out.makensis.log"
    fail "makensis $out"
    return 1
  }
  if grep -q 'warning' "$WORK/$out.makensis.log"; then
    cat "$WORK/$out.makensis.log"
    fail "makensis $out: warnings"
  else
    pass
  fi
}

# Removes what earlier runs of the example installers left behind.
clean_installations() {
  rm -rf "$install_dir" "$drive_c/status.txt"
  rm -f "$desktop"/Lokal-*.lnk "$start_menu"/Lokal-*.lnk
  rm -rf "$start_menu"/Lokal-*
  rm -rf "$temp_dir"/tarvo-untarvo-stage-* "$temp_dir"/~nsu*.tmp
}

# Every file (with its size) and folder (with a trailing /) of the installations and of the
# shortcut folders: two equal listings mean that nothing was removed or changed. The run
# logs are left out.
installation_listing() {
  {
    (cd "$install_dir" 2>/dev/null && find . -path ./logs -prune -o -type d -printf 'Tarvo/%P/\n' -o -printf 'Tarvo/%P %s\n')
    (cd "$desktop" && find . -type d -printf 'Desktop/%P/\n' -o -printf 'Desktop/%P %s\n')
    (cd "$start_menu" && find . -type d -printf 'Programs/%P/\n' -o -printf 'Programs/%P %s\n')
  } | sort
}

log_listing() { ls -1 "$logs_dir" 2>/dev/null | sort; }

# The run log that appeared since BEFORE (a listing by log_listing); empty when none or
# more than one did. A copy is kept in WORK/logs, since the installation is cleaned up.
new_log() {  # before
  local added
  added=$(comm -13 <(printf '%s\n' "$1") <(log_listing) | grep -v '^$')
  if [ "$(printf '%s\n' "$added" | grep -c .)" -eq 1 ]; then
    mkdir -p "$WORK/logs"
    cp "$logs_dir/$added" "$WORK/logs/"
    printf '%s\n' "$logs_dir/$added"
  fi
}

# Shows the run log when a check of the current step failed.
end_step() {  # log
  if [ "$(failures)" -ne "$step_failures" ] && [ -n "$1" ] && [ -f "$1" ]; then
    printf -- '--- %s\n' "${1#"$drive_c"/}"
    cat "$1"
    printf -- '---\n'
  fi
}

# Waits until no temporary uninstaller copy (Un.exe) of this prefix is running any more
# (one check).
wait_for_uninstaller_copies() {
  local pid env
  for _ in $(seq 1 600); do
    local running=0
    for pid in $(pgrep -f 'Un\.exe' 2>/dev/null); do
      env=$( (tr "\\0" "\\n" <"/proc/$pid/environ") 2>/dev/null) || continue
      if printf '%s\n' "$env" | grep -qxF "WINEPREFIX=$PREFIX"; then running=1; fi
    done
    if [ "$running" -eq 0 ]; then
      pass
      return 0
    fi
    sleep 0.2
  done
  fail "a temporary uninstaller copy was still running after 120 s"
}

# Runs the installed uninstaller in place (_?= names the install directory): NSIS makes no
# copy and its exit status reaches us. Sets ran_status (exit status) and file_status (what
# the uninstaller wrote to its status file).
uninstall_in_place() {
  rm -f "$drive_c/status.txt"
  wine_run 'C:\Tarvo\Zudeded2026.exe' /S '/STATUSFILE=C:\status.txt' "$@" '_?=C:\Tarvo'
  ran_status=$?
  file_status=$(cat "$drive_c/status.txt" 2>/dev/null)
}

# Runs the installed uninstaller the default way: NSIS copies it to %TEMP%\~nsuN.tmp\Un.exe,
# starts the copy and returns 0 at once, so the status comes from the file the copy writes
# when it is done. Sets ran_status and file_status as uninstall_in_place does.
uninstall_via_copy() {
  rm -f "$drive_c/status.txt"
  wine_run 'C:\Tarvo\Zudeded2026.exe' /S '/STATUSFILE=C:\status.txt' "$@"
  ran_status=$?
  for _ in $(seq 1 600); do
    [ -f "$drive_c/status.txt" ] && break
    sleep 0.2
  done
  wait_for_uninstaller_copies
  file_status=$(cat "$drive_c/status.txt" 2>/dev/null)
}

# No staging folder of the include (tarvo-untarvo-stage-{pid}-{ticks}), and so no staged
# helper, may be left in the temporary folder. Other tests stage their copies elsewhere.
expect_no_staged_helper() {
  local left
  left=$(find "$temp_dir" -mindepth 1 -maxdepth 1 -name 'tarvo-untarvo-stage-*' 2>/dev/null)
  check "staging folder left behind: $left" test -z "$left"
}
