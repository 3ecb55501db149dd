# The two everyday commands: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS  ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps configure build run test test-asan test-tsan bench fuzz install package clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# Only what it starts: the program and our encoder, not the test suite.
run: configure
	@cmake --build $(BUILD) -j$(JOBS) --target tonewright BladeEnc
	$(BUILD)/tonewright

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 300

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, in a build folder of its
# own. Any finding fails its test; the suppressions cover leaks inside Qt itself only and need
# whole allocation stacks (Qt is built without frame pointers, so the slow unwinder).
LSAN_SUPPRESSIONS := $(CURDIR)/tests/sanitizers/lsan-qt.supp
test-asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONEWRIGHT_SANITIZE=address,undefined >/dev/null
	@cmake --build build-asan -j$(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(LSAN_SUPPRESSIONS) \
	  ctest --output-on-failure -j$(JOBS) --timeout 600

# Installs into $(DESTDIR)$(PREFIX): the program and our BladeEnc in lib/tonewright/, the
# bin/tonewright link, the menu entry, the icons and the AppStream metainfo. It installs what
# `make` built and builds nothing itself: `sudo make install` must not leave root's files in the
# build folder. Into the live system (no DESTDIR) it refreshes the menu and icon caches, so that
# "Open with" offers the program at once.
PREFIX ?= /usr/local
install:
	@if [ ! -x $(BUILD)/tonewright ] || [ ! -x $(BUILD)/BladeEnc ]; then \
	  echo "Nothing is built in $(BUILD)/ yet: run 'make' first (as yourself), then 'sudo make install'." >&2; \
	  exit 1; \
	fi
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" || \
	  { echo "Installing failed: is everything built? Run 'make' first (as yourself)." >&2; exit 1; }
	@chown --reference=$(BUILD) $(BUILD)/install_manifest.txt 2>/dev/null || true
	@if [ -z "$(DESTDIR)" ]; then \
	  if command -v update-desktop-database >/dev/null; then update-desktop-database -q "$(PREFIX)/share/applications" || true; fi; \
	  if command -v gtk-update-icon-cache >/dev/null; then gtk-update-icon-cache -q -t -f "$(PREFIX)/share/icons/hicolor" || true; fi; \
	fi

# A Debian package (installed under /usr) in $(BUILD)/, e.g. tonewright_1.2-1_amd64.deb.
package: build
	cd $(BUILD) && cpack -G DEB

# The console runner's tests under ThreadSanitizer, in a build folder of their own.
test-tsan: deps
	@cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONEWRIGHT_SANITIZE=thread >/dev/null
	@cmake --build build-tsan -j$(JOBS) --target test_ConsoleIO
	cd build-tsan && ctest --output-on-failure -j$(JOBS) -R '^test_ConsoleIO\.'

bench: deps
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTONEWRIGHT_BENCH=ON >/dev/null
	@cmake --build build-bench -j$(JOBS)

# The HTTP client's response fuzzer (clang, ASan + UBSan) for FUZZ_SECONDS; CI only replays the corpus.
FUZZ_SECONDS ?= 300
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONEWRIGHT_FUZZ=ON >/dev/null
	@cmake --build build-fuzz -j$(JOBS) --target http_fuzz
	mkdir -p build-fuzz/corpus && cp -n tests/update/corpus/http_response/* build-fuzz/corpus/
	build-fuzz/tests/update/http_fuzz -max_total_time=$(FUZZ_SECONDS) build-fuzz/corpus tests/update/corpus/http_response

clean:
	rm -rf $(BUILD) build-asan build-tsan build-bench build-fuzz
