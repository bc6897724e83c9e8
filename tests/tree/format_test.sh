#!/usr/bin/env bash
# format_test.sh SOURCE_DIR: every C++ file of the project is laid out as .clang-format
# says, so that layout never drifts and no change carries reformatting of lines it
# did not mean to touch. Fix with: clang-format -i FILE...
set -euo pipefail
cd "$1"
command -v clang-format >/dev/null || { echo "clang-format is not installed" >&2; exit 1; }
# Files git ignores (a benchmark's generated corpus under bench/out) are not ours.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z --cached --others --exclude-standard -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' \
    'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' | sort -z
else
  find src tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z
fi | xargs -0 clang-format --dry-run -Werror
