# Thin wrapper around CMake.
#   make             optimised engine in build/velt and the default book build/run/VeltBook.bin
#   make test        build everything (engine, tools, both suites) and run the fast
#                    test suite, optimised and under ASan/UBSan
#   make run         start the engine in build/run/, where it finds the default book
#   make check-long  the slow suites (deep perft, long game runs)
#   make install     the engine, its manual and the default book below PREFIX (default /usr/local)
#   make check-tsan  multi-threaded searches and two engines side by side under ThreadSanitizer
#                    (build-tsan, a few minutes)
#   make tablebases  three- and four-men tablebases in build/tb, compressed in build/tb-emd
#   make fuzz        fuzz the compressed tablebase decoder for a minute (clang)
# With the environment variable CI set, compiler warnings are errors.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local
WERROR := -DVELT_WERROR=$(if $(CI),ON,OFF)

.PHONY: all velt book test run check-long check-tsan fuzz tablebases install clean

RUN_DIR := build/run
BOOK := $(RUN_DIR)/VeltBook.bin

all: velt book

build/CMakeCache.txt:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release

velt: build/CMakeCache.txt
	cmake --build build -j $(JOBS) --target velt

# The default book, built by the engine's own "/CB" from the games in data/. The
# engine is a file prerequisite here, so a changed engine rebuilds the book. It lives
# in its own directory so that tests run in build/ do not find it.
book: velt
	@$(MAKE) --no-print-directory $(BOOK)

$(BOOK): data/selfplay.pgn build/velt
	mkdir -p $(RUN_DIR)
	cd $(RUN_DIR) && ../velt /CB ../../data/selfplay.pgn > book.log
	@grep -q '^Creating VeltBook.bin ... Done!' $(RUN_DIR)/book.log || { cat $(RUN_DIR)/book.log; exit 1; }

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

run: velt book
	cd $(RUN_DIR) && ../velt

check-long: build/CMakeCache.txt
	cmake --build build -j $(JOBS) --target velt_long_tests
	cd build && ctest -L long -j $(JOBS) --output-on-failure

install: velt book
	cmake --install build --prefix $(PREFIX)
	install -D -m 644 $(BOOK) $(DESTDIR)$(PREFIX)/share/velt/VeltBook.bin

build-tsan/CMakeCache.txt:
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Release -DVELT_TSAN=ON -DCMAKE_CXX_FLAGS="-g"

check-tsan: build-tsan/CMakeCache.txt
	cmake --build build-tsan -j $(JOBS) --target velt velt_tests
	tests/tsan/search_session.sh build-tsan/velt
	build-tsan/velt_tests --gtest_filter='EngineRecord.*:TTLocking.*:ParallelTest.*:TablebaseProbe.*'

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
	rm -rf build build-asan build-tsan build-fuzz
