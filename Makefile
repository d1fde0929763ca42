# Boxlift: the launcher (cross-built for 32-bit Windows) and the packaging
# tool (native, and boxlift.exe for Windows build hosts). `make` installs
# what is missing and builds them; `make test` runs every test; `make demo`
# packs and runs the bundled example; `make install` installs the native
# tool, `make package` makes its .deb and boxlift.exe's zip.

ROOT  := $(abspath .)
BIN   := $(ROOT)/build/bin
JOBS  ?= 2

WIN_DIR    := build/win
WINTOOL_DIR := build/wintool
NATIVE_DIR := build/native
CHECK_DIR  := build/check
FUZZ_DIR   := build/fuzz
FUZZ_SECONDS ?= 60
PACKAGE_DIR := $(ROOT)/build/packages
PREFIX ?= /usr/local
DESTDIR ?=

.PHONY: all deps launcher tool wintool test unit e2e demo bench clean fuzz fuzz-build \
        install package

all: launcher tool wintool

deps:
	@bash scripts/install-deps.sh

$(WIN_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(WIN_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	  -DCMAKE_BUILD_TYPE=MinSizeRel -DBOXLIFT_BIN_DIR=$(BIN)

$(WINTOOL_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(WINTOOL_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686-posix.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DBOXLIFT_WINDOWS_TOOL=ON -DBOXLIFT_BIN_DIR=$(BIN) \
	  -DBOXLIFT_PACKAGE_DIR=$(PACKAGE_DIR)

$(NATIVE_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(NATIVE_DIR) -DCMAKE_BUILD_TYPE=Release \
	  -DBOXLIFT_BIN_DIR=$(BIN) -DBOXLIFT_PACKAGE_DIR=$(PACKAGE_DIR)

$(CHECK_DIR)/CMakeCache.txt: | deps
	cmake -S . -B $(CHECK_DIR) -DCMAKE_BUILD_TYPE=Debug \
	  -DBOXLIFT_SANITIZE=ON -DBOXLIFT_TESTS=ON \
	  -DBOXLIFT_BIN_DIR=$(ROOT)/$(CHECK_DIR)/bin \
	  -DBOXLIFT_LAUNCHER_DIR=$(BIN) -DBOXLIFT_TOOL=$(BIN)/boxlift \
	  -DBOXLIFT_PACKAGE_DIR=$(PACKAGE_DIR)

# The fuzz harnesses: clang with libFuzzer, in a build of their own.
$(FUZZ_DIR)/CMakeCache.txt: | deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DBOXLIFT_SANITIZE=ON -DBOXLIFT_FUZZ=ON \
	  -DBOXLIFT_BIN_DIR=$(ROOT)/$(FUZZ_DIR)/bin -DBOXLIFT_LAUNCHER_DIR=$(BIN)

launcher: deps $(WIN_DIR)/CMakeCache.txt
	cmake --build $(WIN_DIR) -j$(JOBS)

# The tool carries the launcher image, so the launcher is built first.
tool: launcher $(NATIVE_DIR)/CMakeCache.txt
	cmake --build $(NATIVE_DIR) -j$(JOBS)

# boxlift.exe, with the same launcher image inside.
wintool: launcher $(WINTOOL_DIR)/CMakeCache.txt
	cmake --build $(WINTOOL_DIR) -j$(JOBS)

# The native tool, its man page and documentation under PREFIX (staged
# under DESTDIR when set).
install: tool
	DESTDIR=$(DESTDIR) cmake --install $(NATIVE_DIR) --prefix $(PREFIX)

# build/packages/boxlift_VERSION_ARCH.deb and boxlift-VERSION-win32.zip.
# Every file in them is dated the last commit's time (SOURCE_DATE_EPOCH),
# so that the same commit gives the same archives.
SOURCE_DATE_EPOCH ?= $(shell git log -1 --format=%ct 2>/dev/null)
package: tool wintool
	SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) cmake --build $(NATIVE_DIR) --target package
	SOURCE_DATE_EPOCH=$(SOURCE_DATE_EPOCH) cmake --build $(WINTOOL_DIR) --target package

fuzz-build: launcher $(FUZZ_DIR)/CMakeCache.txt
	cmake --build $(FUZZ_DIR) -j$(JOBS) --target fuzz_targets

# Each fuzz target for FUZZ_SECONDS, one after the other; the corpus grows
# in build/fuzz/corpus across runs. Fails when any target found a crash.
fuzz: fuzz-build
	@status=0; for f in $(FUZZ_DIR)/bin/fuzz_*; do t=$${f##*/fuzz_}; \
	  FUZZ_SECONDS=$(FUZZ_SECONDS) bash tests/fuzz/run_target.sh fuzz $$f \
	    $(FUZZ_DIR)/tests/fuzz/seeds/$$t $(FUZZ_DIR)/corpus/$$t || status=1; \
	done; exit $$status

# Native unit tests (with sanitizers), then the end-to-end tests under Wine;
# first a short run of every fuzz target over its seeds. The package test
# installs the .deb made here.
test: all package fuzz-build $(CHECK_DIR)/CMakeCache.txt
	cmake --build $(CHECK_DIR) -j$(JOBS)
	ctest --test-dir $(FUZZ_DIR) --output-on-failure
	ctest --test-dir $(CHECK_DIR) --output-on-failure

demo: all
	UI=$(UI) bash scripts/demo.sh

bench: all
	bash scripts/bench.sh

clean:
	rm -rf build
