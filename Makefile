# SPDX-License-Identifier: GPL-3.0-or-later
# Two entry points for a fresh Debian machine:
#   make run   installs what the programs need, builds the game and the lobby,
#              starts a solo game
#   make test  installs what is missing, builds everything, runs every test
# and `make package` makes the .deb of both programs, building nothing else.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
# Made by the first configure; later builds re-run CMake themselves when a
# CMakeLists.txt changes, so configuring once is enough.
CONFIGURED = $(BUILD_DIR)/build.ninja

.PHONY: run test test-asan bench package deps deps-test build clean windows test-windows

run: deps $(CONFIGURED)
	cmake --build $(BUILD_DIR) -j $(JOBS) --target vorlix kestrunlobby
	./$(BUILD_DIR)/app/vorlix

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Fuzzing: installs clang, builds every fuzz target (fast, and with
# AddressSanitizer and UndefinedBehaviorSanitizer) in build-fuzz/, fuzzes each
# for FUZZ_SECONDS (60) or FUZZ_RUNS executions on its corpus, replays every
# corpus under the sanitizers and prints the figures; fuzz/run.sh tells the
# other settings, given on the command line: make fuzz FUZZ_SECONDS=30.
.PHONY: fuzz
fuzz:
	sh scripts/install-deps.sh fuzz
	bash fuzz/run.sh all

# The program and every test built with AddressSanitizer and
# UndefinedBehaviorSanitizer, in a build tree of its own.
ASAN_DIR ?= build-asan
test-asan: deps-test $(ASAN_DIR)/build.ninja
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

$(ASAN_DIR)/build.ninja: | deps-test
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORLIX_SANITIZE=ON \
	  -DVORLIX_BUILD_BENCH=OFF

bench: deps-test $(CONFIGURED)
	$(RECONFIGURE_FOR_TESTS)
	cmake --build $(BUILD_DIR) -j $(JOBS) --target dict_bench compress_bench net_bench lobby_bench \
	  relay_bench hosting_bench
	./$(BUILD_DIR)/bench/dict_bench
	./$(BUILD_DIR)/bench/compress/compress_bench
	./$(BUILD_DIR)/bench/net_bench
	./$(BUILD_DIR)/bench/lobby_bench
	./$(BUILD_DIR)/bench/relay_bench
	./$(BUILD_DIR)/bench/hosting_bench

# A .deb in $(BUILD_DIR), with its dependencies read from the binary. Only
# what goes into it is built: the two programs and the compressed manual pages
# and changelog; the tests and benchmarks are left to `make test` (CPack builds
# nothing itself, see packaging/CMakeLists.txt).
package: deps $(CONFIGURED)
	cmake --build $(BUILD_DIR) -j $(JOBS) --target vorlix kestrunlobby package_docs
	cd $(BUILD_DIR) && cpack

# Checks every run (quick when nothing is missing); installs only what is not
# there: `make run` what the programs need, the other targets what the tests
# and benchmarks need too.
deps:
	sh scripts/install-deps.sh

deps-test:
	sh scripts/install-deps.sh test

# A tree configured by `make run` before the test packages were installed has
# no tests: it is configured again once they are.
RECONFIGURE_FOR_TESTS = test -d $(BUILD_DIR)/tests || cmake -S . -B $(BUILD_DIR) -G Ninja

$(CONFIGURED): | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja

build: deps-test $(CONFIGURED)
	$(RECONFIGURE_FOR_TESTS)
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Windows: both programs cross-built with MinGW-w64 against a Qt of our own
# (scripts/windows-qt.sh, built once into QT_MINGW), packaged as an installer
# and a portable .zip in $(WIN_DIR). The build's own tools (word list, icons)
# come from the host build in $(BUILD_DIR).
WIN_DIR ?= build-windows
QT_MINGW ?= $(HOME)/.cache/vorlix/qt-mingw-6.4.2
VERSION = $(shell grep -m1 '^project' CMakeLists.txt | grep -o '[0-9][0-9.]*')
WIN_CMAKE = -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake \
  -DVORLIX_WINDOWS_PREFIX=$(QT_MINGW) -DCMAKE_PREFIX_PATH=$(QT_MINGW) \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DVORLIX_HOST_TOOLS=$(CURDIR)/$(BUILD_DIR)/resources -DVORLIX_BUILD_BENCH=OFF
windows: deps $(CONFIGURED)
	sh scripts/install-deps.sh windows
	sh scripts/windows-qt.sh $(QT_MINGW)
	cmake --build $(BUILD_DIR) -j $(JOBS) --target wordgen iconrender
	cmake -S . -B $(WIN_DIR) $(WIN_CMAKE) -DVORLIX_BUILD_TESTS=OFF
	cmake --build $(WIN_DIR) -j $(JOBS) --target vorlix kestrunlobby
	sh scripts/windows-package.sh $(WIN_DIR) $(QT_MINGW) $(VERSION)

# The test suite built for Windows and run under Wine, in a tree of its own;
# tests that can't run there are reported skipped, with the reason.
WINTEST_DIR ?= build-wintest
test-windows: deps-test $(CONFIGURED)
	sh scripts/install-deps.sh windows
	sh scripts/windows-qt.sh $(QT_MINGW)
	cmake --build $(BUILD_DIR) -j $(JOBS) --target wordgen iconrender
	cmake -S . -B $(WINTEST_DIR) $(WIN_CMAKE) -DVORLIX_BUILD_TESTS=ON \
	  -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/lib/wine/wine64
	cmake --build $(WINTEST_DIR) -j $(JOBS)
	sh scripts/windows-test.sh $(WINTEST_DIR) $(QT_MINGW) $(JOBS)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR)
