# Thin wrapper around CMake.
#   make             optimised engine in build/velt
#   make test        build and run the fast test suite, optimised and under ASan/UBSan
#   make run         start the engine
#   make check-long  the slow suites (deep perft, long game runs)
#   make tablebases  every tablebase of three and four men in build/tb
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all velt test run check-long tablebases clean

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

tablebases: build/CMakeCache.txt
	cmake --build build -j $(JOBS) --target tbgen
	mkdir -p build/tb
	./build/tbgen -d build/tb 3 4

clean:
	rm -rf build build-asan
