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
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
		echo "kesto: no display to show the window on; on a machine without one, run: xvfb-run make run"; \
		exit 1; \
	fi
	$(BUILD_DIR)/bin/kesto

bench:
	scripts/install-deps --bench
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTO_BENCH=ON
	cmake --build $(BUILD_DIR)
	bench/run-bench $(BUILD_DIR)/bin
	bench/run-watch-bench $(BUILD_DIR)/bin

clean:
	rm -rf $(BUILD_DIR)
