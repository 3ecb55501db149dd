# The two everyday commands: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS  ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=Release

.PHONY: all deps configure build run test test-tsan bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	$(BUILD)/tonewright

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) --timeout 300

# The console runner's tests under ThreadSanitizer, in a build folder of their own.
test-tsan: deps
	@cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONEWRIGHT_SANITIZE=thread >/dev/null
	@cmake --build build-tsan -j$(JOBS) --target test_ConsoleIO
	cd build-tsan && ctest --output-on-failure -j$(JOBS) -R '^test_ConsoleIO\.'

bench: deps
	@cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTONEWRIGHT_BENCH=ON >/dev/null
	@cmake --build build-bench -j$(JOBS)

clean:
	rm -rf $(BUILD) build-tsan build-bench
