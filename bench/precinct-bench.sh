#!/usr/bin/env bash
# Selected-mode benchmark: one run of the real helper, started by the launcher in the
# uninstaller's place, removing many precincts of the municipal precinct application whose
# "Export" holds many files. It prints the run's wall-clock time (Wine start-up included)
# and checks what the run left: every selected precinct's export file gone, every other
# export file there.
#
# Usage: bench/precinct-bench.sh [BUILD_DIR] [HELPER_EXE]   (default: build/windows, its exe)
# Needs: cmake --preset windows && cmake --build --preset windows
#
# PRECINCTS precincts are selected (00001, 00002, ...; one --items value), EXPORTS export
# files lie in "Export" (half of them belong to selected precincts, the others to precincts
# not selected), and the first DATA selected precincts have a data folder with one file.
# The defaults: 4,500 precincts, 2,000 export files, no data folders. The desktop and the
# start-menu folder are given and hold no shortcut, as on a workstation that kept none.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
helper_exe=${2:-$build/tarvo-untarvo.exe}
launcher_exe="$build/tests/e2e/test_launcher.exe"
precincts=${BENCH_PRECINCTS:-4500}
exports=${BENCH_EXPORTS:-2000}
data=${BENCH_DATA:-0}

for needed in "$helper_exe" "$launcher_exe"; do
  if [ ! -f "$needed" ]; then
    echo "missing $needed: cmake --build --preset windows" >&2
    exit 2
  fi
done
if [ $((exports / 2)) -gt "$precincts" ]; then
  echo "EXPORTS/2 must not exceed PRECINCTS" >&2
  exit 2
fi

prefix="$build/wineprefix"
"$root/tools/wine-prefix.sh" init "$prefix"
. "$root/tools/wine-env.sh" "$prefix"

bench="$WINEPREFIX/drive_c/tu-precinct-bench"
bench_win='C:\tu-precinct-bench'
rm -rf "$bench"
app="$bench/Tarvo/LCKaptaO"
mkdir -p "$app/Data" "$app/Export" "$bench/Tarvo/logs" "$bench/Desktop" "$bench/Menu" "$bench/stage"
. "$root/tools/sample-installation.sh"
make_precinct_app "$app"
cp "$launcher_exe" "$bench/Tarvo/Zudeded2026.exe"
cp "$helper_exe" "$bench/stage/tarvo-untarvo.exe"

# Export files: the selected precincts 1, 1 + step, ... have one each, and as many precincts
# from 90000 up, which are not selected, have one too.
items=$(python3 - "$app" "$precincts" "$exports" "$data" <<'LAYOUT'
import os, sys
app, precincts, exports, data = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
selected = exports // 2
step = max(1, precincts // max(1, selected))
for k in range(selected):
    open(os.path.join(app, "Export", "vysledky.%05d" % (1 + k * step)), "w").write("export\n")
for k in range(exports - selected):
    open(os.path.join(app, "Export", "vysledky.%05d" % (90000 + k)), "w").write("kept\n")
for n in range(1, data + 1):
    os.makedirs(os.path.join(app, "Data", "%05d" % n))
    open(os.path.join(app, "Data", "%05d" % n, "okrsek.db"), "w").write("votes\n")
print(";".join("%05d" % n for n in range(1, precincts + 1)))
LAYOUT
)
selected_exports=$(find "$app/Export" -name 'vysledky.0*' | wc -l)
echo "precincts: $precincts selected; Export: $exports files ($selected_exports of selected precincts); data folders: $data"

now() { date +%s.%N; }
start=$(now)
status=0
TU_STAGED_HELPER="$bench_win\\stage\\tarvo-untarvo.exe" "$TU_WINE" "$bench_win\\Tarvo\\Zudeded2026.exe" \
  --mode selected --app-kind okrsek --install-dir "$bench_win\\Tarvo" --app-folder LCKaptaO \
  --main-binary lc-okrsek.exe --uninstaller Zudeded2026.exe --desktop "$bench_win\\Desktop" \
  --start-menu "$bench_win\\Menu" --product-name LCokrsek --bundle-id com.lc-okrsek --items "$items" \
  </dev/null >/dev/null 2>&1 || status=$?
end=$(now)
wall=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }')

log=$(ls "$bench"/Tarvo/logs/*.log 2>/dev/null | head -n 1)
lines=$([ -n "$log" ] && wc -l <"$log" || echo 0)
left_selected=$(find "$app/Export" -name 'vysledky.0*' | wc -l)
left_other=$(find "$app/Export" -name 'vysledky.9*' | wc -l)
left_data=$(find "$app/Data" -mindepth 1 -maxdepth 1 | wc -l)
echo "exit status $status, $lines log lines"
echo "left: $left_selected export files of selected precincts, $left_other of others, $left_data data folders"
printf '%-44s %8s s\n' "selected run, $precincts precincts (Wine)" "$wall"
rm -rf "$bench"
[ "$status" -eq 0 ] && [ "$left_selected" -eq 0 ] && [ "$left_other" -eq $((exports - selected_exports)) ] &&
  [ "$left_data" -eq 0 ]
