#!/usr/bin/env bash
# Tree-removal benchmark: the helper's tree removal against a bare handle-based delete,
# `cmd /c rd /s /q` under the same Wine and `rm -rf` on the host, each on an identical tree
# inside the Wine prefix, in one run; then the helper and the bare delete on a chain of
# nested folders (BENCH_DEPTH levels, default 250; 0 skips it; 2,000 takes minutes under Wine).
#
# Usage: bench/remove-bench.sh [BUILD_DIR]        (default: build/windows)
# Needs: cmake --preset windows && cmake --build --preset windows --target remove_tree_bench
#
# The tree: TOP folders, each with SUB subfolders, FILES files in every folder, every
# READONLY_EVERY-th file read-only (Wine reports a file without write permission as
# read-only). The defaults give 2,000 folders and 20,000 files; override them in the
# environment for a quicker look (BENCH_TOP=10 BENCH_SUB=49 gives a quarter).
#
# Wine times are wall-clock times of one warm Wine process (start-up included, about
# 0.1 s); the helper's and the bare walk's own in-process times are printed beside them.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
exe="$build/bench/remove_tree_bench.exe"
top=${BENCH_TOP:-40}
sub=${BENCH_SUB:-49}
files=${BENCH_FILES:-10}
readonly_every=${BENCH_READONLY_EVERY:-7}
depth=${BENCH_DEPTH:-250}

if [ ! -f "$exe" ]; then
  echo "missing $exe: cmake --build --preset windows --target remove_tree_bench" >&2
  exit 2
fi

prefix="$build/wineprefix"
"$root/tools/wine-prefix.sh" init "$prefix"
. "$root/tools/wine-env.sh" "$prefix"

bench="$WINEPREFIX/drive_c/tu-bench"
rm -rf "$bench"
mkdir -p "$bench"
# Inside drive_c, so that the program and the trees have ordinary C: paths.
cp "$exe" "$bench/remove_tree_bench.exe"

fill_folder() {  # DIR: FILES small files
  local i
  for ((i = 0; i < files; i++)); do
    printf 'bench file %d in %s\n' "$i" "$1" >"$1/file-$i.dat"
  done
}

make_tree() {  # DIR
  local t s d
  mkdir "$1"
  for ((t = 0; t < top; t++)); do
    d="$1/folder-$t"
    mkdir "$d"
    fill_folder "$d"
    for ((s = 0; s < sub; s++)); do
      mkdir "$d/sub-$s"
      fill_folder "$d/sub-$s"
    done
  done
  find "$1" -type f -name '*.dat' | awk -v n="$readonly_every" 'NR % n == 0' | xargs -r chmod a-w
}

echo "building the trees in $bench ..."
make_tree "$bench/template"
folders=$(find "$bench/template" -mindepth 1 -type d | wc -l)
file_count=$(find "$bench/template" -type f | wc -l)
readonly_count=$(find "$bench/template" -type f ! -perm -u=w | wc -l)
for name in helper bare rd host; do cp -a "$bench/template" "$bench/$name"; done
rm -rf "$bench/template"
sync
echo "tree: $folders folders, $file_count files ($readonly_count read-only), four copies"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

check_gone() {  # NAME
  if [ -e "$bench/$1" ]; then
    echo "$1: tree NOT removed, $(find "$bench/$1" | wc -l) paths left" >&2
    return 1
  fi
}

run_program() {  # MODE -> sets wall, inner
  local start end out
  start=$(now)
  out=$("$TU_WINE" 'C:\tu-bench\remove_tree_bench.exe' "$1" "C:\\tu-bench\\$1" </dev/null | tr -d '\r') || {
    echo "$1: $out" >&2
    exit 1
  }
  end=$(now)
  wall=$(elapsed "$start" "$end")
  inner=${out#seconds=}
}

status=0
# One walk, and the check that it left nothing; its times stay in wall and inner.
measure() {  # helper|bare
  run_program "$1"
  check_gone "$1" || status=1
}

measure helper
helper_wall=$wall helper_inner=$inner
measure bare
bare_wall=$wall bare_inner=$inner

start=$(now)
"$TU_WINE" cmd /c rd /s /q 'C:\tu-bench\rd' </dev/null >/dev/null 2>&1 || true
end=$(now)
rd_wall=$(elapsed "$start" "$end")
check_gone rd || status=1

start=$(now)
rm -rf "$bench/host"
end=$(now)
host_wall=$(elapsed "$start" "$end")
check_gone host || status=1

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

# A chain of nested folders with one file at the bottom: the time of an open grows with the
# length of the path under Wine, whatever opens it, so both walks are measured on it.
if [ "$depth" -gt 0 ]; then
  for name in helper bare; do
    python3 - "$bench/$name" "$depth" <<'CHAIN'
import os, sys
os.mkdir(sys.argv[1])
os.chdir(sys.argv[1])
for _ in range(int(sys.argv[2])):
    os.mkdir("d")
    os.chdir("d")
open("bottom.txt", "w").write("bottom")
CHAIN
  done
  echo "chain: $depth nested folders"
  measure helper
  deep_helper_wall=$wall deep_helper_inner=$inner
  measure bare
  deep_bare_wall=$wall deep_bare_inner=$inner
fi
rm -rf "$bench"

echo
printf '%-34s %8s s   (in process %s s)\n' "helper remove_tree_once (Wine)" "$helper_wall" "$helper_inner"
printf '%-34s %8s s   (in process %s s)\n' "bare handle-based delete (Wine)" "$bare_wall" "$bare_inner"
printf '%-34s %8s s\n' "cmd /c rd /s /q (Wine)" "$rd_wall"
printf '%-34s %8s s\n' "rm -rf (host)" "$host_wall"
echo
echo "helper / rd /s /q : $(ratio "$helper_wall" "$rd_wall")"
echo "helper / rm -rf   : $(ratio "$helper_wall" "$host_wall")"
echo "rd /s /q / rm -rf : $(ratio "$rd_wall" "$host_wall")"
echo "helper / bare     : $(ratio "$helper_wall" "$bare_wall")   (in process $(ratio "$helper_inner" "$bare_inner"))"
if [ "$depth" -gt 0 ]; then
  echo
  printf '%-34s %8s s   (in process %s s)\n' "helper, $depth levels (Wine)" "$deep_helper_wall" "$deep_helper_inner"
  printf '%-34s %8s s   (in process %s s)\n' "bare, $depth levels (Wine)" "$deep_bare_wall" "$deep_bare_inner"
  echo "helper / bare     : $(ratio "$deep_helper_inner" "$deep_bare_inner") (in process)"
fi
exit $status
