#!/usr/bin/env bash
# The history benchmark: builds a repository of COMMITS commits (3000 by default)
# deterministically with git fast-import into bench/out/history/repo (once per
# size; git-ignored), then times, interleaved, RUNS runs (median) of
#   zarnik-count --history src                 (every commit of main)
#   zarnik-count --history --tags src          (the tagged ones, every 100th)
#   zarnik-count --set HeadDT=0 --set GitIgnore=0 src  (a checkout of main's last commit)
#   zarnik-count --set HeadDT=0 --rev main src (the same commit from the objects)
# with the optimised build of zarnik-count (build-bench/).
#
#   bench/history.sh [--commits N] [--runs N]
set -euo pipefail
. "$(dirname "$0")/common.sh"

commits=3000
runs=5
while [[ $# -gt 0 ]]; do
  case $1 in
    --commits) commits=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "usage: bench/history.sh [--commits N] [--runs N]" >&2; exit 2 ;;
  esac
done

configure_bench
build_bench zarnik-count
count="$build/zarnik-count"
here="$out/history/$commits"
repo="$here/repo"
checkout="$here/checkout"

# A fast-import stream: 400 C sources and headers in 20 folders at first, then
# each commit changes one to four files (a line added, changed or removed), and
# now and then adds or deletes one; a lightweight tag every 100 commits. The
# numbers come from a fixed linear congruential generator, so the repository is
# the same on every machine.
stream() {
  awk -v commits="$commits" '
    function rnd(n) { seed = (seed * 1103515245 + 12345) % 2147483648; return int(seed / 65536) % n }
    function body(f,   s, i, n) {
      s = "/* " f " */\n#include <stdio.h>\n\n"
      n = lines[f]
      for (i = 1; i <= n; i++) {
        if ((i + ver[f]) % 7 == 0) s = s "// note " i " of version " ver[f] "\n"
        else if ((i + ver[f]) % 5 == 0) s = s "\n"
        else s = s "int v" i "_" ver[f] % 3 " = " i ";\n"
      }
      return s
    }
    function put(f,   s) { s = body(f); printf "M 100644 inline %s\ndata %d\n%s\n", f, length(s), s }
    BEGIN {
      seed = 20261209
      nfiles = 0
      for (d = 0; d < 20; d++)
        for (k = 0; k < 20; k++) {
          f = sprintf("src/m%02d/f%02d.%s", d, k, k % 4 == 0 ? "h" : "c")
          files[++nfiles] = f; lines[f] = 20 + rnd(80); ver[f] = 0; alive[f] = 1
        }
      for (c = 1; c <= commits; c++) {
        printf "commit refs/heads/main\nmark :%d\n", c
        printf "committer Bench <bench@example.org> %d +0000\n", 1600000000 + c * 3600
        msg = "change " c; printf "data %d\n%s\n", length(msg), msg
        if (c == 1) { for (i = 1; i <= nfiles; i++) put(files[i]); }
        else {
          n = 1 + rnd(4)
          for (j = 0; j < n; j++) {
            f = files[1 + rnd(nfiles)]
            if (!alive[f]) { alive[f] = 1; put(f); continue }
            r = rnd(10)
            if (r == 0) { alive[f] = 0; printf "D %s\n", f; continue }
            if (r < 4) lines[f]++; else if (r < 6 && lines[f] > 5) lines[f]--
            ver[f]++; put(f)
          }
          if (rnd(20) == 0) {
            f = sprintf("src/new/n%05d.c", c); files[++nfiles] = f; lines[f] = 10 + rnd(50); ver[f] = 0
            alive[f] = 1; put(f)
          }
        }
        printf "\n"
        if (c % 100 == 0) printf "reset refs/tags/v%d\nfrom :%d\n\n", c / 100, c
      }
    }'
}

if [[ ! -d $repo ]]; then
  rm -rf "$here"
  mkdir -p "$here"
  git init -q -b main "$repo"
  stream | git -C "$repo" fast-import --quiet
  git -C "$repo" checkout -q main
fi
if [[ ! -d $checkout ]]; then
  mkdir -p "$checkout"
  git -C "$repo" archive main | tar -x -C "$checkout"
fi

# Median wall time of RUNS runs of each command, interleaved.
declare -A times
names=(history tags checkout rev)
declare -A labels=([history]="--history src" [tags]="--history --tags src"
  [checkout]="src (a checkout)" [rev]="--rev main src")
cmd_history() { (cd "$repo" && "$count" --history src); }
cmd_tags() { (cd "$repo" && "$count" --history --tags src); }
# The checkout lies in bench/out, which this repository's own rules ignore.
cmd_checkout() { (cd "$checkout" && "$count" --set HeadDT=0 --set GitIgnore=0 src); }
cmd_rev() { (cd "$repo" && "$count" --set HeadDT=0 --rev main src); }
for name in "${names[@]}"; do "cmd_$name" > /dev/null; done  # warm the page cache
for ((r = 0; r < runs; r++)); do
  for name in "${names[@]}"; do
    start=$(date +%s.%N)
    "cmd_$name" > /dev/null
    end=$(date +%s.%N)
    times[$name]+="$(echo "$end - $start" | bc) "
  done
done
median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

files=$(find "$checkout/src" -type f | wc -l)
blobs=$(git -C "$repo" rev-list --objects --all | cut -d' ' -f1 | git -C "$repo" cat-file --batch-check='%(objecttype)' |
  grep -c blob)
shown=$(git -C "$repo" rev-list --first-parent --count main)
echo "Repository: $shown commits, $files files in the last, $blobs distinct blobs ($(nproc) cores: $(
  grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'))"
one=$(echo "${times[checkout]}" | median)
printf '%-44s %10s %10s\n' "command" "median s" "x checkout"
for name in "${names[@]}"; do
  m=$(echo "${times[$name]}" | median)
  printf '%-44s %10.3f %10.1f\n' "${labels[$name]}" "$m" "$(echo "$m / $one" | bc -l)"
done
