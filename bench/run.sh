#!/usr/bin/env bash
# The benchmark: builds zarnik-count and zarnik-bench (optimised), writes the
# generated corpus to bench/out/corpus (once; it is git-ignored), and prints the
# tables: zarnik-count against cat and wc -l over the same files and against the
# peers cloc and sloccount, on the corpus and on every TREE given; optionally the
# peak memory over a list of many files. Results also go to bench/out/results.md.
#
#   bench/run.sh [--install-peers] [--runs N] [--peer-runs N] [--sloccount-runs N]
#                [--no-peers] [--baseline BIN] [--memory N] [--lines N] [--ini-load]
#                [TREE...]
#
#   --install-peers     apt-get install cloc and sloccount first
#   --runs N            runs of zarnik-count, cat and wc -l per tree (median; 5)
#   --peer-runs N       runs of cloc (3); --sloccount-runs N: of sloccount (1, it is slow)
#   --baseline BIN      also time another zarnik-count (an older build, say)
#   --memory N          also count N hard links to one small file in a folder under
#                       /tmp (deleted afterwards) and report the peak memory
#   --lines N           also count one file of N empty lines under /tmp (N bytes,
#                       deleted afterwards) and check its figures; 2200000000 shows
#                       that counts beyond 2^31 are exact
#   --ini-load          also time loading INI files of 25,000, 100,000 and 1,000,000
#                       environments and one of 3,000,000 section headers
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
out="$root/bench/out"

install_peers=0
memory=0
lines=0
ini_load=0
measure_args=()
trees=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    --install-peers) install_peers=1 ;;
    --runs|--peer-runs|--sloccount-runs|--baseline) measure_args+=("$1" "$2"); shift ;;
    --no-peers) measure_args+=("$1") ;;
    --memory) memory="$2"; shift ;;
    --lines) lines="$2"; shift ;;
    --ini-load) ini_load=1 ;;
    -h|--help) sed -n '2,22p' "$0"; exit 0 ;;
    *) trees+=("$1") ;;
  esac
  shift
done

if [[ $install_peers -eq 1 ]]; then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends cloc sloccount
fi

mkdir -p "$build"
log="$build/bench-build.log"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARNIK_BENCH=ON -DZARNIK_TESTS=OFF \
  -DZARNIK_WERROR=ON > "$log" 2>&1 || { cat "$log"; exit 1; }
cmake --build "$build" -j "$(nproc)" --target zarnik-count zarnik-bench >> "$log" 2>&1 || { cat "$log"; exit 1; }

mkdir -p "$out"
"$build/zarnik-bench" corpus "$out/corpus"
{
  "$build/zarnik-bench" measure --zarnik "$build/zarnik-count" "${measure_args[@]}" "$out/corpus" "${trees[@]}"
  if [[ $memory -gt 0 ]]; then
    echo
    echo "Peak memory over $memory files (hard links to one small file):"
    "$build/zarnik-bench" memory --zarnik "$build/zarnik-count" "/tmp/zarnik-bench-many.$$" "$memory"
  fi
  if [[ $lines -gt 0 ]]; then
    echo
    "$root/bench/count_lines.sh" "$build/zarnik-count" "$lines"
  fi
  if [[ $ini_load -eq 1 ]]; then
    echo
    echo "Loading large INI files (zarnik-count --ini FILE --env 1):"
    "$build/zarnik-bench" ini-load --zarnik "$build/zarnik-count" "/tmp/zarnik-bench-ini.$$" 25000 100000 1000000
  fi
} | tee "$out/results.md"
