# Thin wrapper around CMake.
#   make             optimised engine in build/velt
#   make test        build and run the fast test suite, optimised and under ASan/UBSan
#   make run         start the engine
#   make check-long  the slow suites (deep perft, long game runs)
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all velt test run check-long clean

all: velt

velt:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)

build-asan/CMakeCache.txt:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELT_SANITIZE=ON -DCMAKE_CXX_FLAGS="-O1"

test: velt build-asan/CMakeCache.txt
	cmake --build build-asan -j $(JOBS)
	cd build && ctest -L fast -j $(JOBS) --output-on-failure
	cd build-asan && ctest -L fast -j $(JOBS) --output-on-failure

run: velt
	./build/velt

check-long: velt
	cd build && ctest -L long -j $(JOBS) --output-on-failure

clean:
	rm -rf build build-asan
