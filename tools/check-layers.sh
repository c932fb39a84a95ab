#!/usr/bin/env bash
# The folders of src/ are layers, each using only those before it:
#   platform < cli < safety < removal < profiles < app
# One check per layer: none of its files includes a header of a later layer. And one that
# no C++ source outside src/platform includes <windows.h>: the logic stays portable.
#
# Usage: tools/check-layers.sh [SRC_DIR]
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
src=${1:-$root/src}
. "$root/tests/support/checks.sh"
layers=(platform cli safety removal profiles app)
plan $((${#layers[@]} + 1))

for ((i = 0; i < ${#layers[@]}; i++)); do
  later=$(IFS='|'; echo "${layers[*]:i+1}")
  upward=""
  if [ -n "$later" ]; then
    upward=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*\"($later)/" "$src/${layers[i]}" 2>/dev/null)
  fi
  check "${layers[i]} includes a later layer: $upward" test -z "$upward"
done

windows=$(grep -rnE --include='*.cpp' --include='*.h' '^[[:space:]]*#[[:space:]]*include[[:space:]]*<windows\.h>' "$src" | grep -v "^$src/platform/")
check "<windows.h> outside src/platform: $windows" test -z "$windows"
finish
