# Quiro 2: `make run` and `make test` do everything on a fresh Debian 12 machine.
SHELL := /bin/bash
NPROC := $(shell nproc)
JOBS ?= $(NPROC)
NATIVE := build/native
WIN32 := build/win32
FUZZ := build/fuzz
ADDR ?=

.PHONY: all setup native win32 fuzz fuzz-build test native-test run bench clean \
	native-configure win32-configure host-tools

all: native win32

setup:
	@scripts/setup.sh

native-configure: setup
	@cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

native: native-configure
	@ninja -C $(NATIVE) -j $(JOBS)

# Only the host tools the Win32 tree needs (fonts, string tables, cursors, the comm tests'
# Linux peer).
host-tools: native-configure
	@ninja -C $(NATIVE) -j $(JOBS) fontgen strtable curgen comm-peer

win32-configure: setup
	@cmake -S . -B $(WIN32) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUIRO_HOST_TOOLS=$(CURDIR)/$(NATIVE)/tools \
	  -DQUIRO_JPEG_PREFIX="$$(scripts/setup.sh --jpeg-prefix)" >/dev/null

win32: host-tools win32-configure
	@ninja -C $(WIN32) -j $(JOBS)

fuzz-build: setup
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ) -G Ninja -DQUIRO_FUZZ=ON \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@ninja -C $(FUZZ) -j $(JOBS)

# Longer fuzzing, unseeded, outside the tests: FUZZ_SECONDS per target (FUZZ_TARGETS to
# choose some); new inputs go to build/fuzz/corpus, failures to build/fuzz/artifacts.
FUZZ_SECONDS ?= 300
FUZZ_TARGETS ?= $(notdir $(wildcard fuzz/*_fuzz.cpp))
fuzz: fuzz-build
	@scripts/fuzz-long.sh $(FUZZ_SECONDS) $(basename $(FUZZ_TARGETS))

# Native tests only: the quick loop while working on core/ code.
native-test: native
	@scripts/run-tests.sh native

test: native win32 fuzz-build
	@scripts/run-tests.sh all

run: host-tools win32-configure
	@ninja -C $(WIN32) -j $(JOBS) quiro
	@scripts/run-quiro.sh $(WIN32)/src/console/quiro.exe $(ADDR)

bench: native win32
	@for b in $(NATIVE)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done; true
	@scripts/wine-harness.sh start $(WIN32) >/dev/null && \
	  for b in $(WIN32)/bench/win32/bench_*.exe; do [ -f "$$b" ] && scripts/wine-run "$$b"; done; \
	  scripts/wine-harness.sh stop $(WIN32) >/dev/null; true

clean:
	rm -rf build
