#!/usr/bin/env bash
# Tests the NSIS include on its own, with a stand-in helper that records how it was started:
# the quoting of awkward values, and the command line, staging, parent and exit status that a
# real uninstaller built from the LCkapta example produces, run in place and as NSIS's
# temporary copy, installed below a folder with spaces and non-ASCII letters in its name; the
# staging folder against what another program of the user puts in its place or tries on it
# while the uninstaller is paused between two steps; and the compile-time guards.
#
# Usage: include-test.sh PREFIX WORK ARGV_DUMP_EXE STAGE_PROBE_EXE [NSIS_TARGET]
# NSIS_TARGET: amd64-unicode (default) or x86-unicode, to match the stand-in's architecture.
set -u
PREFIX=$(cd "$1" && pwd)
WORK=$2
dump_exe=$3
probe_exe=$4
target=${5:-amd64-unicode}
. "$(dirname "$0")/lib.sh"
plan 61
dump_exe=$(abs_path "$dump_exe")
probe_exe=$(abs_path "$probe_exe")

examples="$tu_root/nsis/examples"
payload="$WORK/payload/LCkapta"
mkdir -p "$payload"
printf 'lc-kapta\n' >"$payload/lc-kapta.exe"
printf 'icon\n' >"$payload/icon.ico"

# What the uninstallers record in the event log: Wine prints it to the error output.
events="$WORK/events.txt"

# The stand-in writes here, and ends with the status in TU_ARGV_DUMP_STATUS.
export TU_ARGV_DUMP='C:\argv.txt'
dump="$drive_c/argv.txt"

# The values of the dump, one per line, for one kind of line (shell= or crt=).
dumped() { sed -n "s/^$1=//p" "$dump"; }

step "quoting: each value arrives as it was, through both Windows argument parsers"
build_installer quoting.exe "$tu_root/tests/nsis/quoting.nsi" "-DTARVO_TARGET=$target" "-DARGV_DUMP_EXE=$dump_exe"
rm -f "$dump"
wine_run "$WORK/quoting.exe"
# In the order of quoting.nsi: the quoted values, then the trimmed folders.
expected=$(cat <<'VALUES'
plain
with space
Vyšák-Kaptáže

C:\
C:\Tarvo\
\\server\share\dir with space\\
a"b
a\"b
a\\"b\
"quoted"
--mode
 spaces around 
12345;23456,34567
a\b\\c
C:\Tarvo
C:\Tarvo zkouška
C:\
C:\
\
\\server\share
relative\dir
C:\Tarvo

VALUES
)
expect_equal "CommandLineToArgvW" "$expected" "$(dumped shell)"
expect_equal "C runtime" "$expected" "$(dumped crt)"

step "uninstaller: the command line, the staging and the exit status"
build_installer lckapta-dump.exe "$examples/lckapta.nsi" "-DTARVO_TARGET=$target" "-DAPP_FILES=$payload" "-DTARVO_UNTARVO_EXE=$dump_exe"
clean_installations
odd_dir='C:\Tarvo zkouška\Vyšák-Kaptáže'
odd_unix="$drive_c/Tarvo zkouška/Vyšák-Kaptáže"
rm -rf "$drive_c/Tarvo zkouška"
# NSIS takes /D= and _?= up to the end of its command line, unquoted even when they hold
# spaces, while Wine quotes every argument that holds one: so the value is passed as two
# arguments, which Wine joins with the space.
odd_dir_words=('C:\Tarvo' 'zkouška\Vyšák-Kaptáže')
wine_run "$WORK/lckapta-dump.exe" /S "/D=${odd_dir_words[0]}" "${odd_dir_words[1]}"
expect_exists "$odd_unix/Zudeded2026.exe"
expect_exists "$odd_unix/LCkapta/.lc-kapta-install.meta"

# The argument list that the uninstaller passes, with the parent path last but one.
expected_args() {  # parent path
  cat <<ARGS
--mode
full
--app-kind
pm
--install-dir
$odd_dir
--app-folder
LCkapta
--main-binary
lc-kapta.exe
--uninstaller
Zudeded2026.exe
--desktop
C:\\users\\Public\\Desktop
--start-menu
C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Lokal-kaptáže
--product-name
Lokal-kaptáže
--bundle-id
com.lc-kapta
--parent-pid
$(dumped parent_pid)
--parent-path
$1
ARGS
}
check_run() {  # how, expected parent path
  expect_equal "$1: arguments (CommandLineToArgvW)" "$(expected_args "$2")" "$(dumped shell)"
  expect_equal "$1: arguments (C runtime)" "$(dumped crt)" "$(dumped shell)"
  # The helper ran from a fresh folder of its own below %TEMP%, which is gone again.
  local self
  self=$(dumped self)
  case "$self" in
  'C:\users\'*'\Temp\'*'\tarvo-untarvo.exe') pass ;;
  *) fail "$1: the helper ran from $self" ;;
  esac
  expect_no_staged_helper
  # Started from $TEMP, so that the uninstaller holds no folder of the installation open.
  case "$(dumped cwd)" in
  'C:\users\'*'\Temp' | 'C:\users\'*'\Temp\') pass ;;
  *) fail "$1: the helper was started in $(dumped cwd)" ;;
  esac
}

# In place: the parent is the installed uninstaller, and the status reaches the caller.
run_in_place() {  # status of the stand-in
  rm -f "$drive_c/status.txt" "$dump"
  TU_ARGV_DUMP_STATUS=$1 TU_WINEDEBUG=-all,err+eventlog wine_run "$odd_dir\\Zudeded2026.exe" /S \
    '/STATUSFILE=C:\status.txt' "_?=${odd_dir_words[0]}" "${odd_dir_words[1]}" 2>"$events"
  ran_status=$?
  file_status=$(cat "$drive_c/status.txt" 2>/dev/null)
}
run_in_place 0
check_run "in place" "$odd_dir\\Zudeded2026.exe"
expect_equal "in place: exit status" 0 "$ran_status"
expect_equal "in place: status file" 0 "$file_status"
run_in_place 1
expect_equal "in place, status 1: exit status" 1 "$ran_status"
expect_equal "in place, status 1: status file" 1 "$file_status"
run_in_place 2
expect_equal "in place, status 2: exit status" 2 "$ran_status"
expect_equal "in place, status 2: status file" 2 "$file_status"
check "in place, status 2: the event log does not say so (see $events)" \
  quiet_grep -qF 'LCkapta (--mode full): failed: the helper ended with status 2.' "$events"

# As NSIS's temporary copy: the parent is %TEMP%\~nsuN.tmp\Un.exe; the caller sees 0 at once.
rm -f "$drive_c/status.txt" "$dump"
TU_ARGV_DUMP_STATUS=1 wine_run "$odd_dir\\Zudeded2026.exe" /S '/STATUSFILE=C:\status.txt'
ran_status=$?
for _ in $(seq 1 600); do [ -f "$drive_c/status.txt" ] && break; sleep 0.2; done
wait_for_uninstaller_copies
parent=$(dumped crt | tail -1)
case "$parent" in
'C:\users\'*'\Temp\~nsu'*'.tmp\Un.exe') pass ;;
*) fail "temporary copy: the parent path is $parent" ;;
esac
check_run "temporary copy" "$parent"
expect_equal "temporary copy: exit status of the first uninstaller" 0 "$ran_status"
expect_equal "temporary copy: status file" 1 "$(cat "$drive_c/status.txt" 2>/dev/null)"

step "a helper that cannot be started: status -1, error level 2, nothing staged left, the event log says so"
printf 'not a program\n' >"$WORK/not-a-program.exe"
# With the failure's message box, which a silent uninstall answers on its own.
build_installer lckapta-broken.exe "$examples/lckapta.nsi" "-DTARVO_TARGET=$target" "-DAPP_FILES=$payload" \
  "-DTARVO_UNTARVO_EXE=$WORK/not-a-program.exe" -DTARVO_UNTARVO_FAILURE_MESSAGE
wine_run "$WORK/lckapta-broken.exe" /S "/D=${odd_dir_words[0]}" "${odd_dir_words[1]}"
rm -f "$dump"
run_in_place 0
expect_equal "exit status" 2 "$ran_status"
expect_equal "status file" -1 "$file_status"
expect_absent "$dump"
expect_no_staged_helper
expect_exists "$odd_unix/LCkapta/lc-kapta.exe"
check "the event log does not say that the helper could not be started (see $events)" \
  quiet_grep -qF 'LCkapta (--mode full): not started: the helper could not be started' "$events"

step "staging: a folder, a link or a file put in the staging folder's place is refused, and nothing runs"
# A test build of the example that waits at each step for a pause file to go away.
pause="$drive_c/pause"
build_installer lckapta-pause.exe "$examples/lckapta.nsi" "-DTARVO_TARGET=$target" "-DAPP_FILES=$payload" \
  "-DTARVO_UNTARVO_EXE=$dump_exe" '-DTARVO_UNTARVO_TEST_PAUSE=C:\pause'
wine_run "$WORK/lckapta-pause.exe" /S "/D=${odd_dir_words[0]}" "${odd_dir_words[1]}"

# Starts the installed uninstaller in place, in the background, hearing its event log records.
start_paused() {
  rm -f "$drive_c/status.txt" "$dump" "$pause".*
  TU_ARGV_DUMP_STATUS=0 TU_WINEDEBUG=-all,err+eventlog wine_run "$odd_dir\\Zudeded2026.exe" /S \
    '/STATUSFILE=C:\status.txt' "_?=${odd_dir_words[0]}" "${odd_dir_words[1]}" 2>"$events" &
  paused_run=$!
}
# Waits until the uninstaller pauses at STEP; prints the staging folder it paused with, as a
# Linux path. Fails unless that is a staging folder's name in the temporary folder, so that
# nothing else is ever planted or removed.
paused_at() {  # step
  local windows
  for _ in $(seq 1 600); do
    [ -s "$pause.$1" ] && break
    sleep 0.2
  done
  windows=$(cat "$pause.$1" 2>/dev/null)
  case "$windows" in
  'C:\users\'*'\Temp\tarvo-untarvo-stage-'*) ;;
  *) return 1 ;;
  esac
  windows=${windows#C:\\}
  printf '%s/%s\n' "$drive_c" "${windows//\\//}"
}
resume() { rm -f "$pause.$1"; }
end_paused() {
  wait "$paused_run"
  ran_status=$?
  file_status=$(cat "$drive_c/status.txt" 2>/dev/null)
}
# What stands at a path: its kind, where it leads, and the content of every file below it.
planted_state() {
  { stat -c '%F %s' "$1"; readlink "$1"; find -L "$1" -type f -exec sha256sum {} +; } 2>/dev/null
}

decoy="$WORK/decoy"
mkdir -p "$decoy"
cp "$dump_exe" "$decoy/tarvo-untarvo.exe"
for kind in folder link file dangling-link; do
  start_paused
  if ! stage=$(paused_at named); then
    fail "$kind: the uninstaller did not pause before it made the staging folder"
    wait "$paused_run"
    continue
  fi
  case $kind in
  folder) mkdir "$stage" && cp "$dump_exe" "$stage/tarvo-untarvo.exe" ;;
  link) ln -s "$decoy" "$stage" ;;
  file) printf 'planted\n' >"$stage" ;;
  dangling-link) ln -s "$WORK/nowhere" "$stage" ;;
  esac
  planted=$(planted_state "$stage")
  resume named
  end_paused
  check "$kind: exit status $ran_status and status file $file_status, not 2 and -1" \
    test "$ran_status" = 2 -a "$file_status" = -1
  check "$kind: a program ran from the planted $kind" test ! -e "$dump"
  check "$kind: the planted $kind was changed" test -n "$planted" -a "$(planted_state "$stage")" = "$planted"
  check "$kind: the event log does not say why (see $events)" \
    quiet_grep -qF 'LCkapta (--mode full): not started: cannot make the staging folder' "$events"
  rm -rf "$stage"
done
expect_exists "$odd_unix/LCkapta/lc-kapta.exe"

step "staging: until the helper has run, no other program can write, delete or rename it or move its folder"
start_paused
paused_at named >/dev/null
resume named
if stage=$(paused_at staged); then
  attempts=$(wine_run "$probe_exe" "$(cat "$pause.staged")" 2>/dev/null | tr -d '\r' | tr '\n' ' ')
  # 32: the sharing violation of a file or folder held open without that sharing.
  expect_equal "what another program could do to the staged helper" \
    "write=32 delete=32 rename=32 rename_folder=32 " "$attempts"
  # Wine keeps no security descriptor, but turns the access list it is given into the folder's
  # Unix mode: none for others from one that admits only SYSTEM and the Administrators group
  # (0750 here), where a folder without one gets what the umask leaves (0755).
  mode=$(stat -c %a "$stage")
  check "the staging folder's mode $mode lets others in: made without its access list" test "${mode: -1}" = 0
else
  fail "the uninstaller did not pause before it started the helper"
  fail "(not checked: the staging folder's mode)"
fi
resume staged
end_paused
expect_equal "exit status and status file" "0 0" "$ran_status $file_status"
check "the stand-in did not run" test -e "$dump"
expect_no_staged_helper
check "a run that removed the application recorded an error event (see $events)" \
  test "$(grep -c 'err:eventlog' "$events")" -eq 0

step "compile-time guards: outside the uninstaller, in an ANSI build, with makensis before 3.09"
guard() {  # name, makensis arguments...: builds tests/nsis/guards.nsi, output in WORK/NAME.log
  local name=$1
  shift
  makensis -V2 "-DOUT_FILE=$WORK/$name.exe" "$@" "$tu_root/tests/nsis/guards.nsi" >"$WORK/$name.log" 2>&1
}
guard installer -DTARVO_UNTARVO_NSIS_COPY_IS_UN_EXE -DIN_INSTALLER
check "used in an installer section, the build did not fail naming the uninstaller" \
  bash -c '[ $1 -ne 0 ] && grep -qF "TarvoUntarvo_Uninstall belongs in the uninstaller" "$2"' _ $? "$WORK/installer.log"
guard ansi -DTARVO_UNTARVO_NSIS_COPY_IS_UN_EXE -DANSI
check "in an ANSI build, the build did not fail naming Unicode" \
  bash -c '[ $1 -ne 0 ] && grep -qF "TarvoUntarvo_Uninstall needs a Unicode uninstaller" "$2"' _ $? "$WORK/ansi.log"
guard version
warned=$(grep -c 'is older than 3.09' "$WORK/version.log")
if [ "$(makensis -VERSION | sed -E 's/^v?([0-9]+)\.([0-9]+).*/\1 \2/' | awk '{ print ($1 * 100 + $2 < 309) }')" = 1 ]; then
  check "makensis before 3.09 did not warn about the uninstaller's copy" test "$warned" -gt 0
else
  check "makensis 3.09 or later warned about the uninstaller's copy" test "$warned" -eq 0
fi

rm -rf "$drive_c/Tarvo zkouška" "$dump" "$pause".*
clean_installations
finish
