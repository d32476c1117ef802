# Two entry points for a fresh Debian machine:
#   make run   installs what is missing, builds, starts a solo game
#   make test  installs what is missing, builds, runs every test
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: run test deps build configure bench clean

run: build
	./$(BUILD_DIR)/app/vorlix

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	./$(BUILD_DIR)/bench/dict_bench
	./$(BUILD_DIR)/bench/compress/compress_bench

deps:
	sh scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR)
