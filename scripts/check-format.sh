#!/usr/bin/env bash
# The C++ files changed since the house style was written down (the first
# commit of .clang-format) must follow it; older untouched files are left as
# they are until a change touches them.
#   scripts/check-format.sh        check (CI)
#   scripts/check-format.sh --fix  reformat those files in place
set -euo pipefail
cd "$(dirname "$0")/.."
base=$(git log --diff-filter=A --format=%H -- .clang-format | tail -n 1)
[ -n "$base" ] || exit 0
mapfile -t files < <(git diff --name-only --diff-filter=AMR "$base" -- '*.cpp' '*.h' | grep -v '^dsp/cabinet/BuiltinIr.cpp$' || true)
[ ${#files[@]} -gt 0 ] || { echo "format: no changed C++ files"; exit 0; }
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
else
  clang-format --dry-run --Werror "${files[@]}"
  echo "format: ${#files[@]} changed files follow .clang-format"
fi
