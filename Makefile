# Thin wrapper around CMake.
#   make             optimised engine in build/velt
#   make test        build and run the fast test suite, optimised and under ASan/UBSan
#   make run         start the engine
#   make check-long  the slow suites (deep perft, long game runs)
#   make tablebases  three- and four-men tablebases in build/tb, compressed in build/tb-emd
#   make fuzz        fuzz the compressed tablebase decoder for a minute (clang)
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all velt test run check-long fuzz tablebases clean

all: velt

build/CMakeCache.txt:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release

velt: build/CMakeCache.txt
	cmake --build build -j $(JOBS) --target velt

build-asan/CMakeCache.txt:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELT_SANITIZE=ON -DCMAKE_CXX_FLAGS="-O1"

# Only the fast suite (with the engine and tools it drives) is built here.
test: build/CMakeCache.txt build-asan/CMakeCache.txt
	cmake --build build -j $(JOBS) --target velt_tests
	cmake --build build-asan -j $(JOBS) --target velt_tests
	cd build && ctest -L fast -j $(JOBS) --output-on-failure
	cd build-asan && ctest -L fast -j $(JOBS) --output-on-failure

run: velt
	./build/velt

check-long: build/CMakeCache.txt
	cmake --build build -j $(JOBS) --target velt_long_tests
	cd build && ctest -L long -j $(JOBS) --output-on-failure

# The three- and four-men tablebases in build/tb/, and compressed copies of them in
# build/tb-emd/ (files already in build/tb/ are kept).
tablebases: build/CMakeCache.txt
	cmake --build build -j $(JOBS) --target tbgen tbcompress
	mkdir -p build/tb build/tb-emd
	./build/tbgen -d build/tb 3 4
	./build/tbcompress -o build/tb-emd build/tb/*.nbw build/tb/*.nbb

# Fuzzes the compressed tablebase decoder for a minute (clang's libFuzzer).
fuzz:
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DVELT_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS) --target tbz_decode_fuzz
	./build-fuzz/tbz_decode_fuzz -max_total_time=60 -max_len=65536

clean:
	rm -rf build build-asan build-fuzz
