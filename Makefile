# Two commands do everything on a fresh Debian 12 machine:
#   make run    builds and starts the full-screen saver
#   make test   builds and runs every test (unit and integration) through ctest
.PHONY: all setup build run test asan bench fuzz clean

all: build

setup:
	@scripts/setup.sh

build: setup
	cmake --preset dev
	cmake --build --preset dev

run: build
	build/tessiva /S

test: build
	ctest --preset dev

asan: setup
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

# Prints numbers against baselines on the same clip; not part of `make test`.
bench: setup
	scripts/bench.sh

# Each fuzzer runs for 60 s; not part of `make test`.
fuzz:
	@scripts/setup.sh --fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/run-fuzzers.sh 60

clean:
	rm -rf build build-release build-asan build-fuzz
