# Sourced by the benchmark scripts: where they build and write, and the optimised
# build of the programs they time (in build-bench/, its log in bench-build.log).
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-bench"
out="$root/bench/out"
log="$build/bench-build.log"

configure_bench() {
  mkdir -p "$build"
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZARNIK_BENCH=ON -DZARNIK_TESTS=OFF \
    -DZARNIK_WERROR=ON > "$log" 2>&1 || { cat "$log"; exit 1; }
}

# build_bench TARGET...
build_bench() {
  cmake --build "$build" -j "$(nproc)" --target "$@" >> "$log" 2>&1 || { cat "$log"; exit 1; }
}
