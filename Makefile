# Two commands do everything on a fresh Debian 12 machine:
#   make run    installs what building and running need, builds and starts the full-screen saver
#   make test   installs what the tests need as well (compositors, Wine, mingw-w64, NSIS, a
#               sound server, X tools...), builds and runs every test through ctest: the Linux
#               build's (unit, posix, integration), then the Windows build's under Wine
# two more install it for the current user (see scripts/install.sh), without root:
#   make install [PREFIX=~/.local]    make uninstall [PREFIX=~/.local]
# and one makes the Debian package, tessiva_<version>_amd64.deb, here:
#   make deb
.PHONY: all setup setup-windows setup-test build run test windows test-windows asan bench fuzz clean \
	install uninstall deb release

PREFIX ?= $(HOME)/.local

all: build

setup:
	@scripts/setup.sh

setup-windows:
	@scripts/setup.sh --windows

setup-test:
	@scripts/setup.sh --test

build: setup
	cmake --preset dev
	cmake --build --preset dev

run: build
	build/tessiva /S

test: setup-test build
	ctest --preset dev
	$(MAKE) --no-print-directory test-windows

# The optimised program with Debian's hardening flags, for the per-user install and the
# package alike.
buildflags = $(shell DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get $(1))

release: setup
	cmake --preset release -DCMAKE_C_FLAGS="$(call buildflags,CFLAGS) $(call buildflags,CPPFLAGS)" \
	  -DCMAKE_CXX_FLAGS="$(call buildflags,CXXFLAGS) $(call buildflags,CPPFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$(call buildflags,LDFLAGS)"
	cmake --build --preset release --target tessiva tessiva-gnome-idle tessiva_package_files

# The optimised program, installed under PREFIX with its clip and settings.
install: release
	scripts/install.sh install build-release "$(PREFIX)"

uninstall:
	scripts/install.sh uninstall "$(PREFIX)"

# The Debian package of the optimised program (cmake/Package.cmake says what goes in it).
deb: release
	cpack --config build-release/CPackConfig.cmake -B build-release/package
	cp build-release/package/tessiva_*_amd64.deb .
	@echo "Made $$(ls build-release/package/tessiva_*_amd64.deb | xargs -n1 basename); install it with: sudo apt-get install ./$$(ls build-release/package/tessiva_*_amd64.deb | xargs -n1 basename)"

# The portable core and its unit tests for Windows (mingw-w64), in build-windows/.
windows: setup-windows
	cmake --preset windows
	cmake --build --preset windows

# The Windows build's tests under Wine: the portable unit tests, the layers on the real
# frameworks, the program in every mode and the installer. Each run starts from fresh Wine
# prefixes (6 to 10 s each), made and ended by ctest fixtures.
test-windows: setup-test windows
	ctest --test-dir build-windows --output-on-failure --timeout 600

asan: setup-test
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan

# Prints numbers against baselines on the same clip; not part of `make test`.
bench:
	scripts/bench.sh

# Each fuzzer runs for 60 s; not part of `make test`.
fuzz:
	@scripts/setup.sh --fuzz
	cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/run-fuzzers.sh 60

clean:
	rm -rf build build-release build-asan build-fuzz build-windows
