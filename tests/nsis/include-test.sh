#!/usr/bin/env bash
# Tests the NSIS include on its own, with a stand-in helper that records how it was started:
# the quoting of awkward values, and the command line, staging, parent and exit status that a
# real uninstaller built from the LCkapta example produces, run in place and as NSIS's
# temporary copy, installed below a folder with spaces and non-ASCII letters in its name.
#
# Usage: include-test.sh PREFIX WORK ARGV_DUMP_EXE [NSIS_TARGET]
# NSIS_TARGET: amd64-unicode (default) or x86-unicode, to match the stand-in's architecture.
set -u
PREFIX=$(cd "$1" && pwd)
WORK=$2
dump_exe=$3
target=${4:-amd64-unicode}
. "$(dirname "$0")/lib.sh"
plan 32
dump_exe=$(abs_path "$dump_exe")

examples="$tu_root/nsis/examples"
payload="$WORK/payload/LCkapta"
mkdir -p "$payload"
printf 'lc-kapta\n' >"$payload/lc-kapta.exe"
printf 'icon\n' >"$payload/icon.ico"

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
  TU_ARGV_DUMP_STATUS=$1 wine_run "$odd_dir\\Zudeded2026.exe" /S '/STATUSFILE=C:\status.txt' \
    "_?=${odd_dir_words[0]}" "${odd_dir_words[1]}"
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

step "a helper that cannot be started: status -1, error level 2, nothing staged left"
printf 'not a program\n' >"$WORK/not-a-program.exe"
build_installer lckapta-broken.exe "$examples/lckapta.nsi" "-DTARVO_TARGET=$target" "-DAPP_FILES=$payload" \
  "-DTARVO_UNTARVO_EXE=$WORK/not-a-program.exe"
wine_run "$WORK/lckapta-broken.exe" /S "/D=${odd_dir_words[0]}" "${odd_dir_words[1]}"
rm -f "$dump"
run_in_place 0
expect_equal "exit status" 2 "$ran_status"
expect_equal "status file" -1 "$file_status"
expect_absent "$dump"
expect_no_staged_helper
expect_exists "$odd_unix/LCkapta/lc-kapta.exe"

rm -rf "$drive_c/Tarvo zkouška" "$dump"
clean_installations
finish
