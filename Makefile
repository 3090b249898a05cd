# Kesto: `make test` and `make run` set the machine up, build, then test or start the program.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo

.PHONY: deps configure build test run bench clean

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD_DIR)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure

run: build
	@if [ -x $(BUILD_DIR)/bin/kesto ]; then $(BUILD_DIR)/bin/kesto; \
	else echo "kesto: the main window is not built yet; only the extraction library and its tests are."; fi

bench:
	scripts/install-deps --bench
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTO_BENCH=ON
	cmake --build $(BUILD_DIR)
	bench/run-bench $(BUILD_DIR)/bin

clean:
	rm -rf $(BUILD_DIR)
