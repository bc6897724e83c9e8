#!/usr/bin/env bash
# The change count's figures: zarnik-count --diff over the generated corpus and a
# copy of it with a few hundred files edited, deleted and added, against counting
# the two trees once; then one file of 100,000 lines with every line changed and
# one of 100,000 random lines (the diff's worst case), with their peak memory.
# Builds the optimised programs in build-bench/ as bench/run.sh does; the trees go
# to bench/out/ (git-ignored), the table also to bench/out/diff.md.
#
#   bench/diff.sh [--runs N] [--lines N]
set -euo pipefail
. "$(dirname "$0")/common.sh"
runs=3
lines=100000
while [[ $# -gt 0 ]]; do
  case "$1" in
    --runs) runs="$2"; shift ;;
    --lines) lines="$2"; shift ;;
    -h|--help) sed -n '2,9p' "$0"; exit 0 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done

mkdir -p "$out"
configure_bench
build_bench zarnik-count zarnik-bench
zarnik="$build/zarnik-count"

corpus="$out/corpus"
edited="$out/corpus-edited"
[[ -d $corpus ]] || "$build/zarnik-bench" corpus "$corpus" > /dev/null
if [[ ! -f $edited/.edited ]]; then
  rm -rf "$edited"
  cp -r "$corpus" "$edited"
  # Every 50th file below 1 MB (about 440): one of four edits in turn; and five
  # files deleted and five added. The same files every time (sorted paths).
  python3 - "$edited" <<'PY'
import os, sys
root = sys.argv[1]
files = sorted(os.path.join(d, f) for d, _, fs in os.walk(root) for f in fs)
edited = 0
for i, path in enumerate(files):
    if i % 50 or os.path.getsize(path) > (1 << 20):
        continue
    with open(path, 'rb') as f:
        lines = f.read().split(b'\n')
    at = len(lines) // 2
    kind = (i // 50) % 4
    if kind == 0:
        lines[at] = lines[at] + b' /* edited */'
    elif kind == 1:
        lines[at:at] = [b'int added_a = 1;', b'int added_b = 2;', b'// added note']
    elif kind == 2:
        del lines[at:at + 2]
    else:
        lines[at:at + 4] = [b'/* rewritten */', b'x = y + 1;']
    with open(path, 'wb') as f:
        f.write(b'\n'.join(lines))
    edited += 1
for path in files[7::4400][:5]:
    os.remove(path)
for n in range(5):
    with open(os.path.join(root, 'added%d.c' % n), 'w') as f:
        f.write('/* new */\nint n%d;\n' % n)
print('edited', edited, 'files, deleted 5, added 5', file=sys.stderr)
PY
  touch "$edited/.edited"
fi

# Median wall time, CPU time and peak memory of runs of a command (output to /dev/null).
measure() {
  local label="$1"; shift
  local samples=()
  for ((r = 0; r < runs; r++)); do
    /usr/bin/time -f '%e %U %S %M' -o "$out/time.$$" "$@" > /dev/null 2>&1 || true
    samples+=("$(cat "$out/time.$$")")
  done
  rm -f "$out/time.$$"
  printf '%s\n' "${samples[@]}" | sort -n | awk -v label="$label" -v n="$runs" '
    NR == int((n + 1) / 2) { printf "| %s | %.2f | %.2f | %.0f |\n", label, $1, $2 + $3, $4 / 1024 }'
}

big_old="/tmp/zarnik-diff-old.$$.c"
big_new="/tmp/zarnik-diff-new.$$.c"
trap 'rm -f "$big_old" "$big_new"' EXIT

{
  echo "Change count: the corpus against a copy with about 440 files edited, 5 deleted and 5 added ($runs runs, median)"
  echo
  echo "| command | s | CPU s | peak MiB |"
  echo "|---|---:|---:|---:|"
  cat "$corpus" "$edited" > /dev/null 2>&1 || find "$corpus" "$edited" -type f -exec cat {} + > /dev/null
  measure "zarnik-count --diff corpus edited" "$zarnik" --set HeadDT=0 --diff "$corpus" "$edited"
  measure "zarnik-count --diff --jobs 1" "$zarnik" --jobs 1 --set HeadDT=0 --diff "$corpus" "$edited"
  measure "zarnik-count corpus edited (both trees counted once)" "$zarnik" --set HeadDT=0 "$corpus" "$edited"
  measure "zarnik-count --jobs 1 corpus edited" "$zarnik" --jobs 1 --set HeadDT=0 "$corpus" "$edited"
  echo
  "$zarnik" --set HeadNA=0 --set HeadDT=0 --diff "$corpus" "$edited" | tail -1

  echo
  echo "One file of $lines lines, every line changed; one of $lines random lines (of 16 texts, the diff's worst case)"
  echo
  echo "| pair | s | CPU s | peak MiB |"
  echo "|---|---:|---:|---:|"
  awk -v n="$lines" 'BEGIN { for (i = 0; i < n; i++) printf "int old_%d = %d;\n", i, i }' > "$big_old"
  awk -v n="$lines" 'BEGIN { for (i = 0; i < n; i++) printf "long new_%d = %d * 2; // changed\n", i, i }' > "$big_new"
  measure "every line changed" "$zarnik" --diff "$big_old" "$big_new"
  "$zarnik" --set HeadNA=0 --set HeadDT=0 --diff "$big_old" "$big_new" | sed -n 4p
  awk -v n="$lines" 'BEGIN { srand(1); for (i = 0; i < n; i++) printf "int v%d;\n", int(rand() * 16) }' > "$big_old"
  awk -v n="$lines" 'BEGIN { srand(2); for (i = 0; i < n; i++) printf "int v%d;\n", int(rand() * 16) }' > "$big_new"
  measure "random lines" "$zarnik" --diff "$big_old" "$big_new"
  "$zarnik" --set HeadNA=0 --set HeadDT=0 --diff "$big_old" "$big_new" | sed -n 4p
  measure "count of the random old file alone" "$zarnik" "$big_old"
} | tee "$out/diff.md"
