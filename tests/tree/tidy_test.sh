#!/usr/bin/env bash
# tidy_test.sh SOURCE_DIR BUILD_DIR: clang-tidy with the project's .clang-tidy (bug-prone
# constructs, needless copies, functions over 80 lines) over every source file in
# src/, with the build's compile commands. Any finding fails.
set -euo pipefail
src=$1 build=$2
command -v clang-tidy >/dev/null || { echo "clang-tidy is not installed" >&2; exit 1; }
[[ -f $build/compile_commands.json ]] || { echo "no $build/compile_commands.json" >&2; exit 1; }
cd "$src"
find src -name '*.cpp' -print0 | sort -z |
  xargs -0 -n 4 -P "$(nproc)" clang-tidy -p "$build" --quiet 2>&1 |
  grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter|^Error while processing' |
  tee /dev/stderr | grep -qE '(warning|error):' && exit 1
exit 0
