#!/usr/bin/env bash
# Counts one generated C source of MB megabytes, in Shift-JIS and then converted
# to UTF-8, and prints the wall time, the CPU time and the peak resident memory
# (from /usr/bin/time -v) of each zarnik-count given, and whether their reports
# are the same. The files live under /tmp and are deleted afterwards; without
# room for them the case is skipped.
#
#   bench/big_file.sh ZARNIK_BENCH MB ZARNIK_COUNT [BASELINE_ZARNIK_COUNT]
set -euo pipefail
bench="$1"
mb="$2"
shift 2
counters=("$@")
dir="/tmp/zarnik-big-file.$$"
room=$(df -Pk /tmp | awk 'NR == 2 { printf "%.0f", $4 / 1024 }')
if (( room < 3 * mb + 1024 )); then
  echo "One file of $mb MB: skipped, /tmp has $room MiB free"
  exit 0
fi
mkdir "$dir"
trap 'rm -rf "$dir"' EXIT

# One run: "wall-s cpu-s peak-MiB exit-status", the report in $dir/report.<n>.
measure() {
  local out="$1"
  shift
  local status=0
  /usr/bin/time -v -o "$dir/time" "$@" > "$out" 2> /dev/null || status=$?
  awk -v status="$status" -F': ' '
    /User time/ { cpu += $2 } /System time/ { cpu += $2 }
    /Maximum resident set size/ { peak = $2 / 1024 }
    /Elapsed \(wall clock\)/ { n = split($2, p, ":"); wall = 0; for (i = 1; i <= n; ++i) wall = wall * 60 + p[i] }
    END { printf "%.2f %.2f %.1f %d\n", wall, cpu, peak, status }' "$dir/time"
}

echo "| file | zarnik-count | wall s | CPU s | peak MiB | exit | report |"
echo "|---|---|---:|---:|---:|---:|---|"
"$bench" source .c "$mb" > "$dir/big.c"
for encoding in Shift-JIS UTF-8; do
  if [[ $encoding == UTF-8 ]]; then
    iconv -f CP932 -t UTF-8 "$dir/big.c" > "$dir/big.utf8"
    mv "$dir/big.utf8" "$dir/big.c"
  fi
  size=$(stat -c %s "$dir/big.c")
  cat "$dir/big.c" > /dev/null  # warm the page cache alike for every run
  first=""
  for i in "${!counters[@]}"; do
    zarnik="${counters[$i]}"
    read -r wall cpu peak status < <(measure "$dir/report.$i" "$zarnik" --set HeadDT=0 "$dir/big.c")
    same="-"
    if [[ -z $first ]]; then
      first="$dir/report.$i"
    elif cmp -s "$first" "$dir/report.$i"; then
      same="same as the first"
    else
      same="DIFFERENT"
    fi
    label=$([[ $i -eq 0 ]] && echo "this build" || echo "baseline")
    printf "| %s, %s | %s | %s | %s | %s | %s | %s |\n" "$encoding" "$(awk -v s="$size" 'BEGIN { printf "%.1f MB", s / 1e6 }')" \
      "$label" "$wall" "$cpu" "$peak" "$status" "$same"
  done
done
