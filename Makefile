# Thin wrapper around CMake.
#   make             optimised engine in build/velt
#   make test        build everything (engine, tools, both suites) and run the fast
#                    test suite, optimised and under ASan/UBSan
#   make run         start the engine
#   make check-long  the slow suites (deep perft, long game runs)
#   make install     the engine and its manual below PREFIX (default /usr/local)
# With the environment variable CI set, compiler warnings are errors.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local
WERROR := -DVELT_WERROR=$(if $(CI),ON,OFF)

.PHONY: all velt test run check-long install clean

all: velt

build/CMakeCache.txt:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release

velt: build/CMakeCache.txt
	cmake --build build -j $(JOBS) --target velt

build-asan/CMakeCache.txt:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELT_SANITIZE=ON -DCMAKE_CXX_FLAGS="-O1"

# Everything is built, the long suite too so that it cannot rot unnoticed (it runs
# only under check-long); the sanitizer build needs the fast suite, the engine and
# the tools it drives.
test: build/CMakeCache.txt build-asan/CMakeCache.txt
	cmake -S . -B build $(WERROR) > /dev/null
	cmake -S . -B build-asan $(WERROR) > /dev/null
	cmake --build build -j $(JOBS)
	cmake --build build-asan -j $(JOBS) --target velt_tests
	cd build && ctest -L fast -j $(JOBS) --output-on-failure
	cd build-asan && ctest -L fast -j $(JOBS) --output-on-failure

run: velt
	./build/velt

check-long: build/CMakeCache.txt
	cmake --build build -j $(JOBS) --target velt_long_tests
	cd build && ctest -L long -j $(JOBS) --output-on-failure

install: velt
	cmake --install build --prefix $(PREFIX)

clean:
	rm -rf build build-asan
