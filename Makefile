# make run   - installs what is missing, builds, and starts the program
# make test  - installs what is missing, builds, and runs every test, also under
#              AddressSanitizer and UndefinedBehaviorSanitizer
# make install - installs the build under PREFIX (default /usr/local), honouring DESTDIR
# make package - the Debian package build/zarnik_<version>_<arch>.deb
# make bench - the benchmark (not a test): zarnik-count against a bare read, cat,
#              wc -l and peers on a generated corpus; BENCH_ARGS="--install-peers /usr/include";
#              BENCH_ARGS=--counters-only: only the counters over text in memory
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DZARNIK_WERROR=ON
PREFIX ?= /usr/local

.PHONY: all setup build build-asan run test test-plain test-asan install package bench clean

all: build

setup:
	./scripts/setup.sh

build: setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)
	cmake --build build -j $(JOBS)

build-asan: setup
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DZARNIK_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build build-asan -j $(JOBS)

run: build
	./build/zarnik

test: test-plain test-asan

test-plain: build
	ctest --test-dir build --output-on-failure -j $(JOBS)

test-asan: build-asan
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j $(JOBS)

install: build
	DESTDIR="$(DESTDIR)" cmake --install build --prefix "$(PREFIX)"

package: build
	cd build && cpack -G DEB

bench: setup
	./bench/run.sh $(BENCH_ARGS)

clean:
	rm -rf build build-asan build-bench
