#!/bin/sh
# Runs every fuzzing harness in turn for SECONDS each (default 240), at low
# priority, one process at a time. Needs a build folder made as fuzz/CMakeLists.txt
# says. New corpus entries go to BUILD/corpus/<target>, crash inputs to
# BUILD/artifacts/<target>/, the log to BUILD/logs/<target>.log; the last line of
# each log holds the figures (executions, time, corpus).
# Usage: fuzz/run_all.sh [SECONDS] [BUILD] [TARGET...]
set -eu
seconds=${1:-240}
build=${2:-build-fuzz}
shift 2 2>/dev/null || shift $#
here=$(cd "$(dirname "$0")" && pwd)
targets=${*:-"count euc_jis ini_text settings_file font_color target_line"}
for t in $targets; do
    dict=""
    case $t in
        count | euc_jis) dict="-dict=$here/count.dict" ;;
        ini_text | settings_file) dict="-dict=$here/ini.dict" ;;
    esac
    mkdir -p "$build/corpus/$t" "$build/artifacts/$t" "$build/logs"
    echo "== $t ($seconds s)"
    nice -n 10 "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
        -rss_limit_mb=2048 -artifact_prefix="$build/artifacts/$t/" $dict \
        "$build/corpus/$t" "$here/corpus/$t" >"$build/logs/$t.log" 2>&1 || echo "   stopped: see $build/logs/$t.log"
    grep -E '^(Done|stat::number_of_executed_units|stat::average_exec_per_sec|#[0-9]+ +DONE)' "$build/logs/$t.log" || true
    ls "$build/artifacts/$t"
done
