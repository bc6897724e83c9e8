#!/usr/bin/env bash
# Counts one generated file of N empty lines and checks the figures of its report
# line: total N, comment 0, executable 0, blank N. With N beyond 2^31 this shows
# that per-file counts do not wrap. The file (N bytes) lives under /tmp and is
# deleted afterwards; without room for it the check is skipped.
#
#   bench/count_lines.sh ZARNIK_COUNT N
set -euo pipefail
zarnik="$1"
lines="$2"
file="/tmp/zarnik-lines.$$.c"
room=$(df -Pk /tmp | awk 'NR == 2 { printf "%.0f", $4 * 1024 }')
if (( room < lines + (1 << 30) )); then
  echo "One file of $lines empty lines: skipped, /tmp has $room bytes free"
  exit 0
fi
trap 'rm -f "$file"' EXIT
head -c "$lines" /dev/zero | tr '\0' '\n' > "$file"
start=$(date +%s%N)
status=0
report=$("$zarnik" --set HeadNA=0 --set HeadDT=0 --set FmSize=0 "$file") || status=$?
ms=$(( ($(date +%s%N) - start) / 1000000 ))
if grep -Eaq "^$(basename "$file") .* +$lines +0 +0 +$lines +0\.00" <<< "$report" && [[ $status -eq 0 ]]; then
  echo "One file of $lines empty lines: counted exactly (total and blank $lines), exit 0, $ms ms"
else
  echo "One file of $lines empty lines: WRONG (exit $status)"
  grep -a "^$(basename "$file") " <<< "$report" || true
  exit 1
fi
