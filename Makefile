# make run | test | bench | sanitize | nogui | fuzz | package | install-check   (see README.md)
BUILD   ?= build
JOBS    ?= 2
FUZZ_SECONDS ?= 60
CMAKE_EXTRA ?=
ifeq ($(CI),true)
  CMAKE_EXTRA += -DARTIKELBLICK_WERROR=ON
endif

.PHONY: all deps configure build test run bench sanitize nogui fuzz package install-check clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_EXTRA) > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

run: build
	@scripts/run.sh $(BUILD)

bench: build
	@scripts/bench.sh $(BUILD)

# Core libraries and their tests with AddressSanitizer + UndefinedBehaviorSanitizer, no widgets.
sanitize: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DARTIKELBLICK_GUI=OFF \
	  -DARTIKELBLICK_SANITIZE=ON $(CMAKE_EXTRA) > /dev/null
	@cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir build-asan --output-on-failure -j $(JOBS)

# Everything that must build without Qt Widgets: a widget dependency in a core breaks this.
nogui: deps
	@cmake -S . -B build-nogui -G Ninja -DCMAKE_BUILD_TYPE=Release -DARTIKELBLICK_GUI=OFF \
	  -DARTIKELBLICK_TESTS=OFF $(CMAKE_EXTRA) > /dev/null
	@cmake --build build-nogui -j $(JOBS)

fuzz:
	@scripts/install-deps.sh --fuzz
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DARTIKELBLICK_GUI=OFF -DARTIKELBLICK_TESTS=OFF -DARTIKELBLICK_FUZZ=ON > /dev/null
	@cmake --build build-fuzz -j $(JOBS)
	@scripts/fuzz.sh build-fuzz $(FUZZ_SECONDS)

# A Debian package of the program and the converter (build/artikelblick_*.deb).
package: build
	@cd $(BUILD) && cpack -G DEB > /dev/null && ls -1 $(CURDIR)/$(BUILD)/*.deb

# Installs into a temporary prefix and runs the installed converter on a sample.
install-check: build
	@scripts/install-check.sh $(BUILD)

clean:
	rm -rf build build-asan build-nogui build-fuzz
