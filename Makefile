# Quorvane Vantoria
# Copyright 2026 Quorvane
# SPDX-License-Identifier: AGPL-3.0-or-later

# The two commands of the README.
#   make run   install dependencies, build the Release program and start it
#   make test  install dependencies, build with sanitizers and run every test
#   make install [PREFIX=/usr/local] [DESTDIR=]  build and install the program
#   make package  build the .deb (build/vantoria_VERSION_ARCH.deb)
#   make fuzz  build the fuzz targets with clang and run each for FUZZ_SECONDS

BUILD      := build
TEST_BUILD := build/sanitize
FUZZ_BUILD := build/fuzz
FUZZ_SECONDS ?= 180
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
DESTDIR    ?=

.PHONY: run test deps build build-test build-fuzz fuzz install package clean

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTORIA_TESTS=OFF > /dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/bin/vantoria

# The installed programs find their files relative to themselves, so the
# prefix is chosen at install time and the tree may be moved afterwards.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

package: build
	cd $(BUILD) && cpack -G DEB

build-test: deps
	@cmake -S . -B $(TEST_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTORIA_SANITIZE=ON > /dev/null
	@cmake --build $(TEST_BUILD) -j $(JOBS)

# The fuzz targets are a clang project of their own (the main build uses gcc).
build-fuzz: deps
	@cmake -S tests/fuzz -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ > /dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

fuzz: build-fuzz
	tests/fuzz/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

test: build-test build-fuzz
	cd $(TEST_BUILD) && QT_QPA_PLATFORM=offscreen \
		ASAN_OPTIONS=detect_leaks=0:abort_on_error=0 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS)
	tests/fuzz/run-fuzz.sh $(FUZZ_BUILD) 30

clean:
	rm -rf $(BUILD)
