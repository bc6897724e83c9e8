#!/usr/bin/env bash
# The benchmark: builds zarnik-count, zarnik-bench and zarnik-bare-read (optimised),
# writes the generated corpora to bench/out/corpus and bench/out/utf8-corpus (once;
# they are git-ignored), and prints the tables: zarnik-count against a bare read
# (zarnik-bare-read), cat and wc -l over the files zarnik-count reads and against
# the peers cloc and sloccount, on both corpora and on every TREE given; optionally
# the peak memory over a list of many files and the counters over text in memory. Results also go to bench/out/results.md.
#
#   bench/run.sh [--install-peers] [--runs N] [--peer-runs N] [--sloccount-runs N]
#                [--no-peers] [--baseline BIN] [--memory N] [--lines N] [--big-file MB]
#                [--ini-load] [--ini-save] [--counters | --counters-only] [--desktop N [--desktop-pane]
#                [--desktop-chart] [--desktop-runs R]] [TREE...]
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
#   --big-file MB       also count one generated C source of MB megabytes, in Shift-JIS
#                       and in UTF-8 (under /tmp, deleted afterwards): time and peak
#                       memory, against the baseline too when one is given
#   --ini-load          also time loading INI files of 25,000, 100,000 and 1,000,000
#                       environments and one of 3,000,000 section headers
#   --ini-save          also time the settings' saves of 10,000 and 100,000
#                       environments with a memo each (under /tmp, deleted afterwards)
#   --counters          also run zarnik-counters-bench: each line counter over text in
#                       memory, in bytes/s (needs libbenchmark-dev)
#   --counters-only     run only zarnik-counters-bench
#   --desktop N         only the desktop program's count run against zarnik-count,
#                       in turn, on a tree of N small files under /tmp (deleted
#                       afterwards), offscreen: zarnik-desktop-bench (needs Qt)
#   --desktop-pane      then also scroll, select and copy the full result pane
#   --desktop-chart     with the chart pane shown, and its charts timed on their own
#   --desktop-runs R    runs of each (5)
set -euo pipefail
. "$(dirname "$0")/common.sh"

install_peers=0
memory=0
lines=0
big_file=0
baseline=()
ini_load=0
ini_save=0
counters=0  # 1: also the counters over text in memory; 2: only them
desktop=0
desktop_args=()
measure_args=()
trees=()
while [[ $# -gt 0 ]]; do
  case "$1" in
    --install-peers) install_peers=1 ;;
    --runs|--peer-runs|--sloccount-runs) measure_args+=("$1" "$2"); shift ;;
    --baseline) measure_args+=("$1" "$2"); baseline=("$2"); shift ;;
    --big-file) big_file="$2"; shift ;;
    --no-peers) measure_args+=("$1") ;;
    --memory) memory="$2"; shift ;;
    --lines) lines="$2"; shift ;;
    --ini-load) ini_load=1 ;;
    --ini-save) ini_save=1 ;;
    --counters) counters=1 ;;
    --counters-only) counters=2 ;;
    --desktop) desktop="$2"; shift ;;
    --desktop-pane) desktop_args+=(--pane) ;;
    --desktop-chart) desktop_args+=(--chart) ;;
    --desktop-runs) desktop_args+=(--runs "$2"); shift ;;
    -h|--help) sed -n '2,35p' "$0"; exit 0 ;;
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

configure_bench
targets=(zarnik-count zarnik-bench zarnik-bare-read)
if [[ $counters -gt 0 ]]; then
  if grep -q 'zarnik-counters-bench is not built' "$log"; then
    echo "--counters needs Google Benchmark: apt-get install libbenchmark-dev" >&2
    exit 1
  fi
  targets+=(zarnik-counters-bench)
fi
[[ $desktop -gt 0 ]] && targets=(zarnik-count zarnik-desktop-bench)
build_bench "${targets[@]}"

mkdir -p "$out"
if [[ $desktop -gt 0 ]]; then
  "$build/zarnik-desktop-bench" --zarnik "$build/zarnik-count" "${desktop_args[@]}" \
    "/tmp/zarnik-desktop-bench.$$" "$desktop" | tee "$out/desktop.md"
  exit "${PIPESTATUS[0]}"
fi
if [[ $counters -eq 2 ]]; then
  "$build/zarnik-counters-bench" | tee "$out/counters.txt"
  exit 0
fi
"$build/zarnik-bench" corpus "$out/corpus"
"$build/zarnik-bench" utf8-corpus "$out/utf8-corpus"
{
  "$build/zarnik-bench" measure --zarnik "$build/zarnik-count" --bare "$build/zarnik-bare-read" \
    "${measure_args[@]}" "$out/corpus" "$out/utf8-corpus" "${trees[@]}"
  # A tree of every language the table holds (the counters' samples, 200 times
  # over), counted with AllLang=1 against a bare read of the same files.
  echo
  echo "Every language of the table (zarnik-count --set AllLang=1):"
  lang_tree="$out/lang-corpus"
  if [[ ! -d $lang_tree ]]; then
    for i in $(seq 0 199); do
      mkdir -p "$lang_tree/d$i"
      cp "$root/tests/data/count/lang/"* "$lang_tree/d$i/"
    done
  fi
  "$build/zarnik-bench" measure --zarnik "$build/zarnik-count" --bare "$build/zarnik-bare-read" \
    "${measure_args[@]}" --no-peers --set AllLang=1 "$lang_tree"
  if [[ $memory -gt 0 ]]; then
    echo
    echo "Peak memory over $memory files (hard links to one small file):"
    "$build/zarnik-bench" memory --zarnik "$build/zarnik-count" "/tmp/zarnik-bench-many.$$" "$memory"
  fi
  if [[ $lines -gt 0 ]]; then
    echo
    "$root/bench/count_lines.sh" "$build/zarnik-count" "$lines"
  fi
  if [[ $big_file -gt 0 ]]; then
    echo
    echo "One file of $big_file MB (zarnik-count --set HeadDT=0 FILE, /usr/bin/time -v):"
    echo
    "$root/bench/big_file.sh" "$build/zarnik-bench" "$big_file" "$build/zarnik-count" "${baseline[@]}"
  fi
  if [[ $ini_load -eq 1 ]]; then
    echo
    echo "Loading large INI files (zarnik-count --ini FILE --env 1):"
    "$build/zarnik-bench" ini-load --zarnik "$build/zarnik-count" "/tmp/zarnik-bench-ini.$$" 25000 100000 1000000
  fi
  if [[ $ini_save -eq 1 ]]; then
    echo
    echo "Saving the settings of many environments (load, change, SaveSettings):"
    "$build/zarnik-bench" ini-save "/tmp/zarnik-bench-save.$$" 10000 100000
  fi
  if [[ $counters -eq 1 ]]; then
    echo
    echo "The counters over text in memory (zarnik-counters-bench):"
    "$build/zarnik-counters-bench"
  fi
} | tee "$out/results.md"
