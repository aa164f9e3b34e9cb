# `make run` and `make test` work on a fresh Debian 12 machine: they install what is missing first.
BUILD      ?= out/release
ASAN_BUILD ?= out/asan
JOBS       ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build run test test-core test-asan bench clean

deps:
	@scripts/deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/bin/corvex

test: build test-asan
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The core library, the cabinet tools and their tests again under AddressSanitizer and UBSan.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCORVEX_CORE_ONLY=ON -DCORVEX_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

bench: build
	bench/run.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
