#!/usr/bin/env bash
# The whole chain with the real caller: the example installers of the municipal data-entry
# application (LCkapta) and of the municipal precinct application (LCKaptaO) are built with
# makensis, installed silently under Wine into C:\Tarvo, and uninstalled silently through
# TarvoUntarvo.nsh and the real helper, both ways NSIS runs an uninstaller: in place
# (_?=C:\Tarvo, the status reaches the caller) and as its temporary copy %TEMP%\~nsuN.tmp\Un.exe
# (the caller sees 0 at once; the uninstaller writes the status to a file). Checked: the exit
# status as the uninstaller saw it, the helper's run log, and what was removed and what stayed.
#
# Usage: real-client-test.sh PREFIX WORK HELPER_EXE [NSIS_TARGET] [--smoke]
# NSIS_TARGET: amd64-unicode (default) or x86-unicode, to match the helper's architecture.
# --smoke: only the full removal of LCkapta, in place (for the 32-bit build).
# TU_LAUNCHER_EXE (not with --smoke): the end-to-end tests' launcher, which starts the helper
# staged in %TEMP%\tarvo-stage as its child, with its own process id and path.
set -u
PREFIX=$(cd "$1" && pwd)
WORK=$2
helper_exe=$3
target=${4:-amd64-unicode}
smoke=0
[ "${5:-}" = "--smoke" ] && smoke=1
. "$(dirname "$0")/lib.sh"
if [ "$smoke" -eq 1 ]; then plan 36; else plan 130; fi
helper_exe=$(abs_path "$helper_exe")

examples="$tu_root/nsis/examples"
W_DESKTOP='C:\users\Public\Desktop'
W_PROGRAMS='C:\ProgramData\Microsoft\Windows\Start Menu\Programs'
W_TEMP_RE='C:\\users\\[^\\]+\\Temp'
# NSIS's temporary copy of the uninstaller, as a regular expression.
W_UN_COPY_RE="$W_TEMP_RE\\\\~nsu[0-9A-Za-z]+\\.tmp\\\\Un\\.exe"
# The helper staged by the include in a fresh folder of its own.
W_STAGED_RE="$W_TEMP_RE\\\\tarvo-untarvo-stage-[0-9]+-[0-9A-F]{8}\\\\tarvo-untarvo\\.exe"

# The application files the installers install.
payload="$WORK/payload"
mkdir -p "$payload/LCkapta/data" "$payload/LCKaptaO"
printf 'lc-kapta\n' >"$payload/LCkapta/lc-kapta.exe"
printf 'icon\n' >"$payload/LCkapta/icon.ico"
printf 'settings\n' >"$payload/LCkapta/data/nastaveni.ini"
printf 'lc-okrsek\n' >"$payload/LCKaptaO/lc-okrsek.exe"
printf 'icon\n' >"$payload/LCKaptaO/icon.ico"

common=("-DTARVO_TARGET=$target" "-DTARVO_UNTARVO_EXE=$helper_exe")
step "building the installers ($target)"
build_installer lckapta-setup.exe "$examples/lckapta.nsi" "${common[@]}" "-DAPP_FILES=$payload/LCkapta"
if [ "$smoke" -eq 0 ]; then
  build_installer lckapta-wrong-id-setup.exe "$examples/lckapta.nsi" "${common[@]}" \
    "-DAPP_FILES=$payload/LCkapta" -DUNINSTALL_BUNDLE_ID=com.lc-kapta.jina
  build_installer lckaptao-setup.exe "$examples/lckaptao.nsi" "${common[@]}" "-DAPP_FILES=$payload/LCKaptaO"
  build_installer lckaptao-wrong-id-setup.exe "$examples/lckaptao.nsi" "${common[@]}" \
    "-DAPP_FILES=$payload/LCKaptaO" -DUNINSTALL_BUNDLE_ID=com.lc-okrsek.jina
fi
[ "$(failures)" -eq 0 ] || finish

# What a run removed, as installation_listing lines, must all match REGEX; nothing may appear.
expect_removed_only() {  # what, listing before, regex of removable entries
  local after removed added
  after=$(installation_listing)
  removed=$(comm -23 <(printf '%s\n' "$2") <(printf '%s\n' "$after") | grep -vE "$3")
  added=$(comm -13 <(printf '%s\n' "$2") <(printf '%s\n' "$after"))
  check "$1: removed beyond the application: $removed" test -z "$removed"
  check "$1: appeared: $added" test -z "$added"
}

check_lckapta_installed() {
  expect_exists "$install_dir/Zudeded2026.exe"
  expect_exists "$install_dir/LCkapta/lc-kapta.exe"
  expect_exists "$install_dir/LCkapta/.lc-kapta-install.meta"
  expect_exists "$desktop/Lokal-kaptáže.lnk"
  expect_exists "$start_menu/Lokal-kaptáže.lnk"
  expect_exists "$start_menu/Lokal-kaptáže/Lokal-kaptáže.lnk"
  expect_exists "$start_menu/Lokal-kaptáže/Odinstalovat Lokal-kaptáže.lnk"
}

# Whether the application's Add/Remove Programs entry is there.
arp_entry() {  # application folder
  wine_run reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvo $1" >/dev/null 2>&1
}
no_arp_entry() { ! arp_entry "$1"; }

# A tree deeper than MAX_PATH (260) in the application folder, with files on the way down.
make_deep_tree() {
  local dir="$install_dir/LCkapta/data" wdir='C:\Tarvo\LCkapta\data' i
  for i in $(seq -w 1 18); do
    dir="$dir/hluboká-složka-$i"
    wdir="$wdir\\hluboká-složka-$i"
    mkdir -p "$dir"
    printf 'level %s\n' "$i" >"$dir/soubor.txt"
  done
  deep_file="$dir/nejhlubší soubor.txt"
  printf 'deepest\n' >"$deep_file"
  wdir="$wdir\\nejhlubší soubor.txt"
  check "the deep tree is only ${#wdir} characters deep" test "${#wdir}" -gt 300
  say "deepest file: ${#wdir} characters"
}

# Full removal of LCkapta, with a tree deeper than MAX_PATH in its folder.
lckapta_full() {  # in_place | via_copy
  step "LCkapta: full removal ($1), with a tree deeper than 260 characters"
  wine_run "$WORK/lckapta-setup.exe" /S
  check_lckapta_installed
  make_deep_tree
  local before logs log parent_re
  before=$(installation_listing)
  logs=$(log_listing)
  if [ "$1" = in_place ]; then
    uninstall_in_place
    expect_equal "exit status of the uninstaller" 0 "$ran_status"
    parent_re='C:\\Tarvo\\Zudeded2026\.exe'
  else
    uninstall_via_copy
    expect_equal "exit status of the first uninstaller" 0 "$ran_status"
    parent_re=$W_UN_COPY_RE
  fi
  expect_equal "status seen by the uninstaller" 0 "$file_status"
  log=$(new_log "$logs")
  check "no new run log in C:\\Tarvo\\logs" test -n "$log"
  expect_line "$log" "tarvo-untarvo started"
  expect_line "$log" 'install_dir=C:\Tarvo'
  expect_line "$log" 'app_dir=C:\Tarvo\LCkapta'
  expect_match "$log" "helper_exe=$W_STAGED_RE"
  expect_match "$log" "actual_parent=$parent_re"
  expect_match "$log" "expected_parent=$parent_re"
  expect_line "$log" "removed file: $W_DESKTOP\\Lokal-kaptáže.lnk"
  expect_line "$log" "removed file: $W_PROGRAMS\\Lokal-kaptáže\\Lokal-kaptáže.lnk"
  expect_line "$log" "removed file: $W_PROGRAMS\\Lokal-kaptáže\\Odinstalovat Lokal-kaptáže.lnk"
  expect_line "$log" "skip missing shortcut: $W_PROGRAMS\\Lokal-kaptáže\\Odinstalovat2026.lnk"
  expect_line "$log" "removed file: $W_PROGRAMS\\Lokal-kaptáže.lnk"
  expect_line "$log" 'removed dir: C:\Tarvo\LCkapta'
  expect_line "$log" "removed empty dir: $W_PROGRAMS\\Lokal-kaptáže"
  expect_line "$log" "tarvo-untarvo completed"
  expect_no_match "$log" '^ERROR'
  expect_absent "$install_dir/LCkapta"
  expect_absent "$desktop/Lokal-kaptáže.lnk"
  expect_absent "$start_menu/Lokal-kaptáže.lnk"
  expect_absent "$start_menu/Lokal-kaptáže"
  # The install directory, the uninstaller and the logs are not the application's to remove.
  expect_exists "$install_dir/Zudeded2026.exe"
  expect_removed_only "LCkapta" "$before" '^(Tarvo/LCkapta|Desktop/Lokal-kaptáže\.lnk|Programs/Lokal-kaptáže)'
  check "the Add/Remove Programs entry stayed after the removal" no_arp_entry LCkapta
  expect_no_staged_helper
  end_step "$log"
}

clean_installations
if [ "$smoke" -eq 1 ]; then
  lckapta_full in_place
  clean_installations
  finish
fi

step "LCkapta: an uninstaller that passes a wrong bundle id is refused (in place)"
wine_run "$WORK/lckapta-wrong-id-setup.exe" /S
check_lckapta_installed
before=$(installation_listing)
logs=$(log_listing)
uninstall_in_place
expect_equal "exit status of the uninstaller" 2 "$ran_status"
expect_equal "status seen by the uninstaller" 2 "$file_status"
log=$(new_log "$logs")
check "no new run log in C:\\Tarvo\\logs" test -n "$log"
expect_line "$log" "tarvo-untarvo started"
expect_line "$log" "ERROR: unexpected value for --bundle-id: expected com.lc-kapta, got com.lc-kapta.jina"
expect_no_match "$log" '^removed'
expect_equal "installation after the refused run" "$before" "$(installation_listing)"
check "the refused run took the Add/Remove Programs entry away" arp_entry LCkapta
expect_no_staged_helper
end_step "$log"

step "LCKaptaO: an uninstaller that passes a wrong bundle id is refused (temporary copy)"
wine_run "$WORK/lckaptao-wrong-id-setup.exe" /S '/OKRSKY=12345;23456'
expect_exists "$install_dir/LCKaptaO/Data/12345"
before=$(installation_listing)
logs=$(log_listing)
uninstall_via_copy /MODE=selected /OKRSKY=12345
expect_equal "exit status of the first uninstaller" 0 "$ran_status"
expect_equal "status seen by the uninstaller" 1 "$file_status"
log=$(new_log "$logs")
check "no new run log in C:\\Tarvo\\logs" test -n "$log"
expect_match "$log" 'log_path=C:\\Tarvo\\logs\\lc-okrsek-uninstall-untarvo-[0-9]+-[0-9]+\.log'
expect_match "$log" "actual_parent_path=$W_UN_COPY_RE"
expect_line "$log" "authorization check passed"
expect_line "$log" "ERROR: unexpected bundle_id: expected com.lc-okrsek.jina, got com.lc-okrsek"
expect_no_match "$log" '^removed'
expect_equal "installation after the refused run" "$before" "$(installation_listing)"
expect_no_staged_helper
end_step "$log"

step "LCKaptaO: one precinct removed (in place)"
wine_run "$WORK/lckaptao-setup.exe" /S '/OKRSKY=12345;23456'
okrsek="$install_dir/LCKaptaO"
for n in 12345 23456; do
  printf 'data %s\n' "$n" >"$okrsek/Data/$n/okrsek.db"
  printf 'export %s\n' "$n" >"$okrsek/Export/vysledky.$n"
done
printf 'not an export of a precinct\n' >"$okrsek/Export/12345.csv"
# A read-only file: Wine shows a file without write permission as read-only.
printf 'locked\n' >"$okrsek/Data/12345/zamčeno.txt"
chmod a-w "$okrsek/Data/12345/zamčeno.txt"
before=$(installation_listing)
logs=$(log_listing)
uninstall_in_place /MODE=selected /OKRSKY=12345
expect_equal "exit status of the uninstaller" 0 "$ran_status"
expect_equal "status seen by the uninstaller" 0 "$file_status"
log=$(new_log "$logs")
check "no new run log in C:\\Tarvo\\logs" test -n "$log"
expect_line "$log" 'install_dir=C:\Tarvo'
expect_line "$log" 'app_dir=C:\Tarvo\LCKaptaO'
expect_match "$log" "helper_exe=$W_STAGED_RE"
expect_line "$log" 'actual_parent_path=C:\Tarvo\Zudeded2026.exe'
expect_line "$log" "authorization check passed"
expect_line "$log" "installation validation passed"
expect_line "$log" 'removed dir: C:\Tarvo\LCKaptaO\Data\12345'
expect_line "$log" 'removed file: C:\Tarvo\LCKaptaO\Export\vysledky.12345'
expect_line "$log" "removed file: $W_DESKTOP\\Lokal-Kaptáže 12345.lnk"
expect_line "$log" "removed file: $W_PROGRAMS\\Lokal-Kaptáže okrsky\\Lokal-Kaptáže 12345.lnk"
expect_no_match "$log" '^ERROR'
expect_absent "$okrsek/Data/12345"
expect_absent "$okrsek/Export/vysledky.12345"
expect_absent "$desktop/Lokal-Kaptáže 12345.lnk"
expect_absent "$start_menu/Lokal-Kaptáže okrsky/Lokal-Kaptáže 12345.lnk"
expect_exists "$okrsek/Data/23456/okrsek.db"
expect_exists "$okrsek/Export/vysledky.23456"
expect_exists "$okrsek/Export/12345.csv"
expect_exists "$okrsek/.lc-okrsek-install.meta"
expect_exists "$desktop/Lokal-Kaptáže 23456.lnk"
expect_exists "$start_menu/Lokal-Kaptáže okrsky/Lokal-Kaptáže 23456.lnk"
expect_removed_only "LCKaptaO 12345" "$before" \
  '^(Tarvo/LCKaptaO/Data/12345|Tarvo/LCKaptaO/Export/vysledky\.12345 |Desktop/Lokal-Kaptáže 12345\.lnk |Programs/Lokal-Kaptáže okrsky/Lokal-Kaptáže 12345\.lnk )'
expect_no_staged_helper
end_step "$log"

step "LCKaptaO: full removal (temporary copy); LCkapta, installed beside it, stays"
before=$(installation_listing)
logs=$(log_listing)
# The uninstaller is LCKaptaO's now: LCkapta's Add/Remove Programs entry, which names its own
# application, must not make it remove anything.
wine_run 'C:\Tarvo\Zudeded2026.exe' /S /APP=LCkapta '_?=C:\Tarvo'
expect_equal "exit status of LCKaptaO's uninstaller asked for LCkapta" 2 "$?"
expect_equal "installation after the uninstaller asked for another application" "$before" "$(installation_listing)"
uninstall_via_copy
expect_equal "exit status of the first uninstaller" 0 "$ran_status"
expect_equal "status seen by the uninstaller" 0 "$file_status"
log=$(new_log "$logs")
check "no new run log in C:\\Tarvo\\logs" test -n "$log"
expect_match "$log" "actual_parent_path=$W_UN_COPY_RE"
expect_line "$log" "authorization check passed"
expect_line "$log" "installation validation passed"
expect_line "$log" "removed file: $W_DESKTOP\\Lokal-Kaptáže 23456.lnk"
expect_line "$log" "removed file: $W_PROGRAMS\\Lokal-Kaptáže okrsky\\Lokal-Kaptáže 23456.lnk"
expect_line "$log" 'removed dir: C:\Tarvo\LCKaptaO'
expect_line "$log" "removed empty dir: $W_PROGRAMS\\Lokal-Kaptáže okrsky"
expect_no_match "$log" '^ERROR'
expect_absent "$okrsek"
expect_absent "$desktop/Lokal-Kaptáže 23456.lnk"
expect_absent "$start_menu/Lokal-Kaptáže okrsky"
check_lckapta_installed
expect_removed_only "LCKaptaO" "$before" '^(Tarvo/LCKaptaO|Desktop/Lokal-Kaptáže |Programs/Lokal-Kaptáže okrsky)'
expect_no_staged_helper
end_step "$log"

lckapta_full via_copy

step "an uninstaller run as Un_A.exe, as NSIS before 3.09 names its copy: the helper refuses it, the include starts nothing"
wine_run "$WORK/lckapta-setup.exe" /S
before=$(installation_listing)
logs=$(log_listing)
copy_dir="$temp_dir/~nsu.tmp"
w_copy_dir="C:\\users\\$(id -un)\\Temp\\~nsu.tmp"
mkdir -p "$copy_dir" "$temp_dir/tarvo-stage"
# The helper with a parent of that name: the launcher copied as Un_A.exe starts it.
cp "$TU_LAUNCHER_EXE" "$copy_dir/Un_A.exe"
cp "$helper_exe" "$temp_dir/tarvo-stage/tarvo-untarvo.exe"
wine_run "$w_copy_dir\\Un_A.exe" --mode full --app-kind pm --install-dir 'C:\Tarvo' --app-folder LCkapta \
  --main-binary lc-kapta.exe --uninstaller Zudeded2026.exe --product-name Lokal-kaptáže --bundle-id com.lc-kapta
expect_equal "exit status of the helper started by Un_A.exe" 2 "$?"
log=$(new_log "$logs")
expect_line "$log" "ERROR: unexpected parent executable: Un_A.exe"
rm -rf "$temp_dir/tarvo-stage"
# The installed uninstaller itself, run in place as that copy.
cp "$install_dir/Zudeded2026.exe" "$copy_dir/Un_A.exe"
logs=$(log_listing)
rm -f "$drive_c/status.txt"
TU_WINEDEBUG=-all,err+eventlog wine_run "$w_copy_dir\\Un_A.exe" /S '/STATUSFILE=C:\status.txt' '_?=C:\Tarvo' \
  2>"$WORK/events.txt"
expect_equal "exit status of the uninstaller run as Un_A.exe" 2 "$?"
expect_equal "status seen by the uninstaller run as Un_A.exe" -1 "$(cat "$drive_c/status.txt" 2>/dev/null)"
check "the event log does not say that the uninstaller runs as Un_A.exe (see $WORK/events.txt)" \
  quiet_grep -qF 'LCkapta (--mode full): not started: this uninstaller runs as Un_A.exe' "$WORK/events.txt"
expect_equal "run logs after the uninstaller run as Un_A.exe" "$logs" "$(log_listing)"
expect_equal "installation after both refused runs" "$before" "$(installation_listing)"
check "a refused run took the Add/Remove Programs entry away" arp_entry LCkapta
rm -rf "$copy_dir"
end_step "$log"

clean_installations
finish
