# The browser build, included by the Makefile: the engine compiled to WebAssembly
# twice, and the page around it.
#   build-web/velt-threads.{js,wasm,worker.js}  pthreads: the parallel search, for pages
#                       served cross-origin isolated (SharedArrayBuffer)
#   build-web/velt-single.{js,wasm}  one thread (cooperative threads, Asyncify), for
#                       any page
#   build-web/velt.js   the Web Worker script a page starts: it picks one of the two
#   build-web/site/     the page with its scripts and the two packages it ships
#   build-web/package/  the npm package of the worker (npm pack turns it into a tarball)
# Both builds carry the default book (build/run/VeltBook.bin, from `make book`).

EMXX ?= em++
# Debian's emscripten runs its JavaScript tools with the system's node, which looks for
# Debian's node packages (acorn) here only when told.
export NODE_PATH := $(NODE_PATH):/usr/share/nodejs
WEB := build-web
WEB_INSTALL_HINT := apt-get install emscripten chromium
WEB_NPM_HINT := cd web && npm ci

WEB_SOURCES := $(shell find src -name '*.cpp' | sort)
EMCC ?= emcc
WEB_VERSION := $(shell sed -n 's/^project.velt VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# The C++ library of Emscripten 3.1 lacks std::atomic_ref: a header supplies it.
WEB_CXXFLAGS := -std=c++20 -O3 -DNDEBUG -Wall -Wextra -Isrc -Ithird_party/fathom -I$(WEB)/generated \
  -include platform/atomic_ref_compat.h
# The Syzygy library (third_party/fathom), C99 as in the native builds.
WEB_FATHOM_OBJECT := $(WEB)/obj/third_party/fathom/tbprobe.o
# One set of objects, compiled for threads, serves both builds (atomics on memory
# that is not shared work like plain loads and stores); the build without threads
# adds its own entry point and the cooperative threads.
WEB_OBJECTS := $(WEB_SOURCES:%.cpp=$(WEB)/obj/%.o) $(WEB_FATHOM_OBJECT)
WEB_SINGLE_OBJECTS := $(filter-out $(WEB)/obj/src/shell/main.o,$(WEB_OBJECTS)) $(WEB)/obj-single/main.o \
  $(WEB)/obj-single/cooperative_threads.o
# The build with threads replaces the system's yield, so that a waiting search thread
# gives its core away (src/platform/page_threads.cpp).
WEB_THREADS_OBJECTS := $(WEB_OBJECTS) $(WEB)/obj-threads/page_threads.o

# Memory: the default hash table and the pawn tables fit the first 256 MB; a larger
# Hash grows it up to 2 GB. The search threads get the native build's stack room.
WEB_LDFLAGS := -O3 -sENVIRONMENT=worker -sMODULARIZE -sALLOW_MEMORY_GROWTH -sINITIAL_MEMORY=256MB \
  -sMAXIMUM_MEMORY=2GB -sEXPORTED_RUNTIME_METHODS=ccall,FS -sFORCE_FILESYSTEM -sEXIT_RUNTIME \
  --embed-file build/run/VeltBook.bin@/VeltBook.bin
WEB_THREADS_LDFLAGS := -pthread -sPROXY_TO_PTHREAD -sPTHREAD_POOL_SIZE=3 -sTOTAL_STACK=8MB \
  -sDEFAULT_PTHREAD_STACK_SIZE=8MB -sEXPORT_NAME=VeltThreads -Wl,--wrap=sched_yield
# The system's thread calls that the cooperative threads replace
# (src/platform/cooperative_threads.cpp).
WEB_WRAPPED := pthread_create pthread_join pthread_detach pthread_self sched_yield pthread_mutex_init \
  pthread_mutex_lock pthread_mutex_trylock pthread_mutex_unlock pthread_cond_wait pthread_cond_timedwait \
  pthread_cond_signal pthread_cond_broadcast nanosleep clock_gettime
WEB_SINGLE_LDFLAGS := -sASYNCIFY -sASYNCIFY_IMPORTS='["velt_wait_for_page","emscripten_fiber_swap"]' \
  -sEXPORT_NAME=VeltSingle $(foreach name,$(WEB_WRAPPED),-Wl,--wrap=$(name))

WEB_VENDOR := $(WEB)/site/vendor
WEB_PAGE_FILES := index.html page.css page.js engine.js
WEB_ENGINE_FILES := velt.js velt-threads.js velt-threads.wasm velt-threads.worker.js velt-single.js velt-single.wasm

.PHONY: web web-tools check-web serve-web

web-tools:
	@command -v $(EMXX) > /dev/null || \
	  { echo "make web needs emscripten, which is not installed ($(WEB_INSTALL_HINT))" >&2; exit 1; }
	@test -d web/node_modules/cm-chessboard -a -d web/node_modules/chess.js || \
	  { echo "make web needs the page's npm packages, which are not installed ($(WEB_NPM_HINT))" >&2; exit 1; }

web: web-tools
	@$(MAKE) --no-print-directory book
	@$(MAKE) --no-print-directory $(WEB)/site/velt.js $(WEB)/package/package.json

$(WEB)/generated/shell/version.h: src/shell/version.h.in CMakeLists.txt
	@mkdir -p $(dir $@)
	sed 's/@PROJECT_VERSION@/$(WEB_VERSION)/' $< > $@

$(WEB)/obj/%.o: %.cpp $(WEB)/generated/shell/version.h
	@mkdir -p $(dir $@)
	$(EMXX) $(WEB_CXXFLAGS) -pthread -MMD -MP -c $< -o $@

$(WEB_FATHOM_OBJECT): third_party/fathom/tbprobe.c
	@mkdir -p $(dir $@)
	$(EMCC) -std=gnu99 -O3 -DNDEBUG -pthread -Ithird_party/fathom -MMD -MP -c $< -o $@

# The engine's entry point keeps its source: the cooperative threads' own main runs it.
$(WEB)/obj-single/main.o: src/shell/main.cpp $(WEB)/generated/shell/version.h
	@mkdir -p $(dir $@)
	$(EMXX) $(WEB_CXXFLAGS) -pthread -Dmain=veltConsoleMain -MMD -MP -c $< -o $@

$(WEB)/obj-single/cooperative_threads.o: src/platform/cooperative_threads.cpp
	@mkdir -p $(dir $@)
	$(EMXX) $(WEB_CXXFLAGS) -DVELT_COOPERATIVE_THREADS -MMD -MP -c $< -o $@

$(WEB)/obj-threads/page_threads.o: src/platform/page_threads.cpp
	@mkdir -p $(dir $@)
	$(EMXX) $(WEB_CXXFLAGS) -pthread -DVELT_PAGE_THREADS -MMD -MP -c $< -o $@

-include $(WEB_OBJECTS:.o=.d) $(WEB)/obj-single/main.d $(WEB)/obj-single/cooperative_threads.d \
  $(WEB)/obj-threads/page_threads.d

$(WEB)/velt-threads.js: $(WEB_THREADS_OBJECTS) build/run/VeltBook.bin
	$(EMXX) $(WEB_THREADS_OBJECTS) $(WEB_LDFLAGS) $(WEB_THREADS_LDFLAGS) -o $@

$(WEB)/velt-single.js: $(WEB_SINGLE_OBJECTS) build/run/VeltBook.bin
	$(EMXX) $(WEB_SINGLE_OBJECTS) $(WEB_LDFLAGS) $(WEB_SINGLE_LDFLAGS) -o $@

# The site: the page, the worker and its builds beside it, and the two packages the
# page ships with their licences.
$(WEB)/site/velt.js: $(WEB)/velt-threads.js $(WEB)/velt-single.js web/velt.js $(addprefix web/,$(WEB_PAGE_FILES))
	mkdir -p $(WEB_VENDOR)/cm-chessboard $(WEB_VENDOR)/chess.js
	cp web/velt.js $(WEB)/velt.js
	cp $(addprefix $(WEB)/,$(WEB_ENGINE_FILES)) $(WEB)/site/
	cp $(addprefix web/,$(WEB_PAGE_FILES)) $(WEB)/site/
	cp -r web/node_modules/cm-chessboard/src web/node_modules/cm-chessboard/assets \
	  web/node_modules/cm-chessboard/LICENSE $(WEB_VENDOR)/cm-chessboard/
	cp web/node_modules/chess.js/dist/esm/chess.js web/node_modules/chess.js/LICENSE $(WEB_VENDOR)/chess.js/
	cp LICENSE $(WEB)/site/LICENSE

$(WEB)/package/package.json: $(WEB)/site/velt.js web/package/package.json.in web/package/README.md
	mkdir -p $(WEB)/package
	cp $(addprefix $(WEB)/,$(WEB_ENGINE_FILES)) web/package/README.md LICENSE $(WEB)/package/
	sed 's/@VERSION@/$(WEB_VERSION).0/' web/package/package.json.in > $@

CHROMIUM ?= chromium
check-web: web
	@command -v $(CHROMIUM) > /dev/null || \
	  { echo "make check-web needs Chromium, which is not installed ($(WEB_INSTALL_HINT))" >&2; exit 1; }
	@test -d web/node_modules/puppeteer-core || \
	  { echo "make check-web needs puppeteer-core, which is not installed ($(WEB_NPM_HINT))" >&2; exit 1; }
	node web/test/check_web.mjs --browser "$$(command -v $(CHROMIUM))" --site $(WEB)/site --native build/velt

PORT ?= 8080
serve-web: web
	python3 tools/serve_web.py --port $(PORT) $(WEB)/site
