#!/usr/bin/env bash
# The start-up benchmark: a count of one small file outside any repository, run
# RUNS times (300 by default) by each program below in turn, with the wall time of
# each run taken by a Python loop; prints its median and 10th and 90th
# percentiles, and the median of the CPU time the program used. Programs: a C++ program that does nothing
# (zarnik-start-yardstick), zarnik-count (no libgit2), zarnik-count-git (the same
# with libgit2 linked, as zarnik-count was before), and both counting the same
# file inside a repository (zarnik-count hands that over to zarnik-count-git).
# The optimised build of build-bench/.
#
# --baseline BIN also times another zarnik-count (an older build, say) outside a
# repository.
#
#   bench/startup.sh [--runs N] [--baseline BIN]
set -euo pipefail
. "$(dirname "$0")/common.sh"

runs=300
baseline=""
while [[ $# -gt 0 ]]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --baseline) baseline=$(realpath "$2"); shift 2 ;;
    *) echo "usage: bench/startup.sh [--runs N] [--baseline BIN]" >&2; exit 2 ;;
  esac
done

configure_bench
build_bench zarnik-count zarnik-count-git zarnik-start-yardstick
work=$(mktemp -d "${TMPDIR:-/tmp}/zarnik-startup-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/plain" "$work/repo"
printf 'int a; /* one line */\n' | tee "$work/plain/a.c" >"$work/repo/a.c"
git init -q "$work/repo"
if git -C "$work/plain" rev-parse --git-dir >/dev/null 2>&1; then
  echo "bench/startup.sh: $work lies in a git repository; set TMPDIR to a folder outside any" >&2
  exit 1
fi

python3 - "$runs" "$build" "$work" "$baseline" <<'PY'
import resource, subprocess, sys, time
runs, build, work, baseline = int(sys.argv[1]), sys.argv[2], sys.argv[3], sys.argv[4]
count = ['--set', 'HeadDT=0', '--set', 'GitIgnore=1']
commands = [
    ('trivial C++ program', [build + '/zarnik-start-yardstick']),
    ('zarnik-count, outside a repository', [build + '/zarnik-count'] + count + [work + '/plain/a.c']),
    ('zarnik-count-git, outside a repository', [build + '/zarnik-count-git'] + count + [work + '/plain/a.c']),
    ('zarnik-count, in a repository (hands over)', [build + '/zarnik-count'] + count + [work + '/repo']),
    ('zarnik-count-git, in a repository', [build + '/zarnik-count-git'] + count + [work + '/repo']),
]
if baseline:
    # A build from before the GitIgnore setting refuses its key; outside a
    # repository the setting changes nothing, so the baseline runs without it.
    commands.insert(1, ('baseline, outside a repository', [baseline, '--set', 'HeadDT=0', work + '/plain/a.c']))
# Wall time, and the CPU time (user + system) the child used, which a busy
# machine disturbs less.
def run(argv):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(argv, stdout=subprocess.DEVNULL, check=True)
    wall = (time.perf_counter() - start) * 1000
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return wall, (after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime) * 1000
wall = {name: [] for name, _ in commands}
cpu = {name: [] for name, _ in commands}
for name, argv in commands:  # one untimed run each: the files are cached
    run(argv)
for _ in range(runs):
    for name, argv in commands:
        w, c = run(argv)
        wall[name].append(w)
        cpu[name].append(c)
def pct(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(p / 100 * len(values)))]
print(f'{runs} runs each, interleaved; wall time per run, and the CPU time (user + system) of the program')
print(f'| {"program":<44} | {"median":>9} | {"10th pct":>9} | {"90th pct":>9} | {"CPU median":>10} |')
print(f'|{"-" * 46}|{"-" * 11}|{"-" * 11}|{"-" * 11}|{"-" * 12}|')
for name, _ in commands:
    w = wall[name]
    print(f'| {name:<44} | {pct(w, 50):6.2f} ms | {pct(w, 10):6.2f} ms | {pct(w, 90):6.2f} ms | '
          f'{pct(cpu[name], 50):7.2f} ms |')
PY
