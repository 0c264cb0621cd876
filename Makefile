# Thin wrapper around CMake.
#   make             optimised engine in build/velt and the default book build/run/VeltBook.bin
#   make EXE=PATH    optimised engine in build/velt, copied to PATH (as testing frameworks
#                    build engines); no book
#   make test        build the engine and the fast test suite and run it, optimised and
#                    under ASan/UBSan
#   make programs    build every program of the project: the engine, the tools, both suites
#   make run         start the engine in build/run/, where it finds the default book
#   make check-long  the slow suites (deep perft, game runs, clock behaviour), then
#                    protocol-fuzz, check-tsan and a minute of every fuzz target
#   make protocol-fuzz  the kept protocol sessions of fuzz/sessions, then PROTOCOL_LINES
#                    (default 100000) generated lines of both protocols, with searches
#                    running, against the optimised and the ASan/UBSan engine
#   make soak        SOAK_GAMES (default 1000) games at 2 s + 0.02 s through the game
#                    driver, UCI against xboard, one and two threads, pondering on half
#                    (about two hours on two cores; run it on an idle machine)
#   make windows     the Windows programs, cross-compiled with MinGW-w64: build-windows/
#                    velt.exe, tbgen.exe, tbcompress.exe (any x86-64) and
#                    build-windows-bmi2/velt.exe (popcount and BMI2)
#   make check-windows  the end-to-end suite, perft, si and Syzygy against the Windows
#                    engine under Wine (skipped, saying so, without MinGW-w64 or Wine)
#   make dist        release archives in dist/ (Linux and Windows on x86-64, Linux on
#                    aarch64), with SHA256SUMS
#   make arm64       the Linux aarch64 programs, cross-compiled: build-arm64/velt, tbgen,
#                    tbcompress (static)
#   make check-arm64 si, perft and a short game against the native engine, the aarch64
#                    engine run under qemu-aarch64 (skipped, saying so, without the
#                    cross-compiler or qemu-user)
#   make install     the engine, its manual and the default book below PREFIX (default /usr/local)
#   make check-tsan  multi-threaded searches and two engines side by side under ThreadSanitizer
#                    (build-tsan, a few minutes)
#   make profile-build  the release engine build-profile/velt: trained on "si" and a few
#                    searches (tools/profile_training.sh), then optimised by that
#                    profile and across files; same moves and node counts as build/velt
#   make tablebases  three- and four-men tablebases in build/tb, compressed in build/tb-emd
#   make corpus      the games the material grid and the win/draw/loss model are fitted
#                    from, in build/corpus/corpus.pgn (tools/make_corpus.sh: 13000 games of
#                    the engine against itself at 4000 nodes a move, about an hour on two
#                    cores; CORPUS_SEED, default 59, chooses the openings)
#   make fuzz        build the libFuzzer targets of every reader of untrusted input
#                    (fuzz/, clang) and fuzz each for FUZZ_TIME seconds (default 60);
#                    FUZZ_TARGETS names some of them (e.g. FUZZ_TARGETS=tbz_decode)
#   make fuzz-smoke  every fuzz target for a fixed number of runs from its seed corpus
#                    under ASan and UBSan, failing on any finding (under a minute)
#   make web         the engine for the browser (WebAssembly, emscripten) and its page in
#                    build-web/site, the npm package in build-web/package (web/web.mk)
#   make check-web   the page in headless Chromium: a game, an analysis, FEN and PGN, si
#   make serve-web   serves build-web/site on localhost:PORT (default 8080), cross-origin isolated
# With the environment variable CI set, compiler warnings are errors.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local
WERROR := -DVELT_WERROR=$(if $(CI),ON,OFF)

.PHONY: all velt exe book test programs windows check-windows dist run check-long check-tsan protocol-fuzz soak \
	profile-build fuzz fuzz-build fuzz-smoke tablebases corpus install clean
.PHONY: arm64 check-arm64

RUN_DIR := build/run
BOOK := $(RUN_DIR)/VeltBook.bin

all: velt $(if $(EXE),exe,book)

exe: velt
	@test -n '$(EXE)' || { echo "make exe needs EXE=PATH" >&2; exit 1; }
	cp build/velt '$(EXE)'

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

# Line tables are all the sanitizers' reports need, and build a third faster than full
# debugging information. The Syzygy library (C) is optimised alike: the search probes it
# at every node of an ending.
build-asan/CMakeCache.txt:
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELT_SANITIZE=ON -DCMAKE_CXX_FLAGS="-O1" -DCMAKE_CXX_FLAGS_DEBUG="-g1" \
	  -DCMAKE_C_FLAGS="-O1" -DCMAKE_C_FLAGS_DEBUG="-g1"

# Two exhaustive checks repeat the same code over every position of their endings: the
# optimised build runs them, the sanitizer build the sampled index round trip over the
# four- and five-men classes and the generator as the tablebase and decided-search
# tests use it (the full runs would take a third of that suite's time).
SANITIZER_SKIPPED_TESTS := TablebaseIndex.WholeThreeMenClassesRoundTrip|TablebaseGenerator.ThreeMenClassesAgreeWithTheirSuccessors

# The fast suite and the engine it drives, in both builds; `make programs` builds the
# rest (CI does, so that no tool and not the long suite can rot unnoticed).
test: build/CMakeCache.txt build-asan/CMakeCache.txt
	cmake -S . -B build $(WERROR) > /dev/null
	cmake -S . -B build-asan $(WERROR) > /dev/null
	cmake --build build -j $(JOBS) --target velt_tests
	cmake --build build-asan -j $(JOBS) --target velt_tests
	cd build && ctest -L fast -j $(JOBS) --output-on-failure
	cd build-asan && ctest -L fast -j $(JOBS) --output-on-failure -E '$(SANITIZER_SKIPPED_TESTS)'

programs: build/CMakeCache.txt
	cmake -S . -B build $(WERROR) > /dev/null
	cmake --build build -j $(JOBS)

run: velt book
	cd $(RUN_DIR) && ../velt

check-long: build/CMakeCache.txt
	cmake --build build -j $(JOBS) --target velt_long_tests
	cd build && ctest -L long -j $(JOBS) --output-on-failure
	$(MAKE) --no-print-directory protocol-fuzz
	$(MAKE) --no-print-directory check-tsan
	$(MAKE) --no-print-directory fuzz

PROTOCOL_LINES ?= 100000
protocol-fuzz: build/CMakeCache.txt build-asan/CMakeCache.txt
	cmake --build build -j $(JOBS) --target velt
	cmake --build build-asan -j $(JOBS) --target velt
	@for engine in build/velt build-asan/velt; do \
	  python3 tools/protocol_fuzz.py $$engine --replay fuzz/sessions/*.txt || exit 1; \
	  python3 tools/protocol_fuzz.py $$engine --lines $(PROTOCOL_LINES) --keep $$(dirname $$engine) || exit 1; \
	done

profile-build:
	cmake -S . -B build-profile -DCMAKE_BUILD_TYPE=Release -DVELT_PROFILE=generate > /dev/null
	rm -rf build-profile/profile
	cmake --build build-profile -j $(JOBS) --target velt
	cd build-profile && ../tools/profile_training.sh ./velt
	cmake -S . -B build-profile -DVELT_PROFILE=use > /dev/null
	cmake --build build-profile -j $(JOBS) --target velt
	@echo "profile-build: build-profile/velt"

SOAK_GAMES ?= 1000
soak: build/CMakeCache.txt
	cmake --build build -j $(JOBS) --target velt match
	tools/soak.sh build $(SOAK_GAMES)

install: velt book
	cmake --install build --prefix $(PREFIX)
	install -D -m 644 $(BOOK) $(DESTDIR)$(PREFIX)/share/velt/VeltBook.bin

build-tsan/CMakeCache.txt:
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Release -DVELT_TSAN=ON -DCMAKE_CXX_FLAGS="-g"

check-tsan: build-tsan/CMakeCache.txt
	cmake --build build-tsan -j $(JOBS) --target velt velt_tests
	tests/tsan/search_session.sh build-tsan/velt
	build-tsan/velt_tests --gtest_filter='EngineRecord.*:TTSharing.*:ParallelTest.*:TablebaseProbe.*'

# The three- and four-men tablebases in build/tb/, and compressed copies of them in
# build/tb-emd/ (files already in build/tb/ are kept).
CORPUS_SEED ?= 59
corpus: build/CMakeCache.txt
	cmake --build build -j $(JOBS) --target velt match corpus_openings
	nice -n 10 tools/make_corpus.sh build/corpus $(CORPUS_SEED)

tablebases: build/CMakeCache.txt
	cmake --build build -j $(JOBS) --target tbgen tbcompress
	mkdir -p build/tb build/tb-emd
	./build/tbgen -d build/tb 3 4
	./build/tbcompress -o build/tb-emd build/tb/*.nbw build/tb/*.nbb

# The fuzz targets, fuzz/<name>_fuzz.cpp, each with the runs it gets in the smoke run
# (chosen so that all of them together take under a minute; a run of the analysis
# file loads a whole table, one of the PGN reader writes a book).
FUZZ_SMOKE_RUNS := fen:2000 move:1000 pgn:500 book:500 analysis:200 config:2000 tablebase:500 \
                   protocol:1000 tbz_decode:2000
FUZZ_TARGETS ?= $(foreach entry,$(FUZZ_SMOKE_RUNS),$(firstword $(subst :, ,$(entry))))
FUZZ_TIME ?= 60
FUZZ_FLAGS := -timeout=10

# The targets need clang with libFuzzer; without it the build stops with a message.
fuzz-build:
	@echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' | \
	  clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null || \
	  { echo "The fuzz targets need clang++ with libFuzzer, which is not installed (Debian: apt-get install clang)." >&2; exit 1; }
	cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS=-O1 -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVELT_FUZZ=ON > /dev/null
	cmake --build build-fuzz -j $(JOBS) --target fuzz_targets

# Fuzzes each target for FUZZ_TIME seconds from its seeds and what earlier runs found
# (kept in build-fuzz/corpus/<name>); a finding stops it and is left in
# build-fuzz/findings/. Inputs grow to 4 KiB, the decoder's to whole compressed files.
fuzz: fuzz-build
	@mkdir -p build-fuzz/findings
	@for name in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/corpus/$$name; \
	  case $$name in tbz_decode) max_len=65536 ;; *) max_len=4096 ;; esac; \
	  echo "fuzz: $$name for $(FUZZ_TIME) s"; \
	  ./build-fuzz/$${name}_fuzz $(FUZZ_FLAGS) -max_total_time=$(FUZZ_TIME) -max_len=$$max_len \
	    -artifact_prefix=build-fuzz/findings/$$name- build-fuzz/corpus/$$name fuzz/corpus/$$name || exit 1; \
	done

# Each target for its fixed number of runs from its seed corpus (with a fixed seed);
# any crash, leak, sanitizer report or timeout fails, and the input is left beside the
# target's log in build-fuzz/smoke/.
fuzz-smoke: fuzz-build
	@rm -rf build-fuzz/smoke
	@for entry in $(FUZZ_SMOKE_RUNS); do \
	  name=$${entry%%:*}; runs=$${entry##*:}; \
	  mkdir -p build-fuzz/smoke/$$name; \
	  echo "fuzz-smoke: $$name, $$runs runs"; \
	  ./build-fuzz/$${name}_fuzz $(FUZZ_FLAGS) -runs=$$runs -seed=1 -artifact_prefix=build-fuzz/smoke/$$name- \
	    build-fuzz/smoke/$$name fuzz/corpus/$$name > build-fuzz/smoke/$$name.log 2>&1 || \
	    { tail -n 40 build-fuzz/smoke/$$name.log; echo "fuzz-smoke: $$name failed (build-fuzz/smoke/$$name.log)" >&2; exit 1; }; \
	done
	@echo "fuzz-smoke: every target passed"

# ---- Windows and the release archives ----
MINGW_CXX := x86_64-w64-mingw32-g++-posix
WINDOWS_TOOLCHAIN := -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
INSTALL_HINT := apt-get install g++-mingw-w64-x86-64-posix wine zip
# The released Linux programs carry the C++ library, so that they run on any system
# with the C library.
LINUX_STATIC := -DCMAKE_EXE_LINKER_FLAGS="-static-libstdc++ -static-libgcc"

# build-<dir>/CMakeCache.txt for the four release builds: <dir> names the system and
# the processor level.
build-windows/CMakeCache.txt:
	cmake -S . -B build-windows $(WINDOWS_TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release -DVELT_LEVEL=x86-64
build-windows-bmi2/CMakeCache.txt:
	cmake -S . -B build-windows-bmi2 $(WINDOWS_TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release -DVELT_LEVEL=x86-64-bmi2
build-linux/CMakeCache.txt:
	cmake -S . -B build-linux -DCMAKE_BUILD_TYPE=Release -DVELT_LEVEL=x86-64 $(LINUX_STATIC)
build-linux-bmi2/CMakeCache.txt:
	cmake -S . -B build-linux-bmi2 -DCMAKE_BUILD_TYPE=Release -DVELT_LEVEL=x86-64-bmi2 $(LINUX_STATIC)

windows:
	@command -v $(MINGW_CXX) > /dev/null || \
	  { echo "make windows needs the MinGW-w64 cross-compiler ($(INSTALL_HINT))" >&2; exit 1; }
	@$(MAKE) --no-print-directory build-windows/CMakeCache.txt build-windows-bmi2/CMakeCache.txt
	cmake --build build-windows -j $(JOBS) --target velt tbgen tbcompress
	cmake --build build-windows-bmi2 -j $(JOBS) --target velt

check-windows:
	@if ! command -v $(MINGW_CXX) > /dev/null || ! command -v wine > /dev/null; then \
	  echo "check-windows: SKIPPED: MinGW-w64 or Wine is not installed ($(INSTALL_HINT))"; exit 0; fi; \
	$(MAKE) --no-print-directory windows build/CMakeCache.txt && \
	cmake --build build -j $(JOBS) --target velt velt_tests match tbgen tbcompress && \
	tools/check_windows.sh build-windows/velt.exe build

# The archives: velt-<version>-linux-x86-64.tar.gz and velt-<version>-windows-x86-64.zip
# with both processor levels, velt-<version>-linux-aarch64.tar.gz, each with the default
# book (built by the Linux engine) and the documents, and SHA256SUMS beside them.
dist: windows arm64 book
	@command -v zip > /dev/null || { echo "make dist needs zip ($(INSTALL_HINT))" >&2; exit 1; }
	@$(MAKE) --no-print-directory build-linux/CMakeCache.txt build-linux-bmi2/CMakeCache.txt
	cmake --build build-linux -j $(JOBS) --target velt tbgen tbcompress
	cmake --build build-linux-bmi2 -j $(JOBS) --target velt
	tools/make_dist.sh dist $(BOOK)

# ---- Linux on aarch64 (ARM servers, single-board computers, phones) ----
ARM64_CXX := aarch64-linux-gnu-g++
ARM64_INSTALL_HINT := apt-get install g++-aarch64-linux-gnu qemu-user

build-arm64/CMakeCache.txt:
	cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DCMAKE_BUILD_TYPE=Release

arm64:
	@command -v $(ARM64_CXX) > /dev/null || \
	  { echo "make arm64 needs the aarch64 cross-compiler ($(ARM64_INSTALL_HINT))" >&2; exit 1; }
	@$(MAKE) --no-print-directory build-arm64/CMakeCache.txt
	cmake --build build-arm64 -j $(JOBS) --target velt tbgen tbcompress

check-arm64:
	@if ! command -v $(ARM64_CXX) > /dev/null || ! command -v qemu-aarch64 > /dev/null; then \
	  echo "check-arm64: SKIPPED: the aarch64 cross-compiler or qemu-user is not installed ($(ARM64_INSTALL_HINT))"; exit 0; fi; \
	$(MAKE) --no-print-directory arm64 build/CMakeCache.txt && \
	cmake --build build -j $(JOBS) --target velt match && \
	tools/check_arm64.sh build-arm64/velt build

clean:
	rm -rf build build-asan build-tsan build-fuzz build-windows build-windows-bmi2 build-linux build-linux-bmi2 dist
	rm -rf build-arm64

# ---- The browser build: make web, check-web, serve-web (web/web.mk) ----
include web/web.mk
