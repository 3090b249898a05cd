# Kesto: `make run` and `make test` set the machine up, build, then start the program or
# run every test. `make install` puts the program in place for one user under PREFIX.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
PREFIX ?= $(HOME)/.local

FUZZ_SECONDS ?= 60
VERSION := $(shell sed -n '/^project/s/.* VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
DEB := kesto_$(VERSION)-1_amd64.deb

.PHONY: deps program build test check-sanitizers check-deb run install uninstall deb bench fuzz docs clean

deps:
	@scripts/install-deps

# Configured once; from then on the build configures again by itself when a
# CMakeLists.txt changes.
$(BUILD_DIR)/build.ninja: | deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

# The program and its library alone, as `make run` and `make install` need them.
program: deps $(BUILD_DIR)/build.ninja
	@cmake --build $(BUILD_DIR) --target kesto sevenzip32

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR)

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure
	@$(MAKE) --no-print-directory check-sanitizers

# The extraction library's tests again, built with AddressSanitizer and
# UndefinedBehaviorSanitizer.
check-sanitizers: deps
	cmake -S . -B $(BUILD_DIR)-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTO_SANITIZE=ON
	cmake --build $(BUILD_DIR)-sanitize --target library_tests real_library_beside_tests
	ctest --test-dir $(BUILD_DIR)-sanitize --output-on-failure -L library -j2

run:
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
		echo "kesto: no display to show the window on; on a machine without one, run: xvfb-run make run"; \
		exit 1; \
	fi
	@$(MAKE) --no-print-directory program
	$(BUILD_DIR)/bin/kesto

install: program
	@cmake --build $(BUILD_DIR) --target kesto_icons
	cmake --install $(BUILD_DIR) --prefix "$(abspath $(PREFIX))"
	@{ cat $(BUILD_DIR)/install_manifest.txt; echo; \
	   echo "$(abspath $(PREFIX))/lib/kesto/installed-files.txt"; } \
	   >"$(abspath $(PREFIX))/lib/kesto/installed-files.txt"

uninstall:
	scripts/uninstall "$(abspath $(PREFIX))"

# The Debian package, built from a copy of the source tree (without build folders), left
# here as kesto_VERSION-1_amd64.deb.
deb:
	@scripts/install-deps --deb
	@test "$$(dpkg-parsechangelog -S Version)" = "$(VERSION)-1" || \
		{ echo "debian/changelog does not name version $(VERSION)-1"; exit 1; }
	rm -rf build-deb && mkdir -p build-deb/kesto-$(VERSION)
	tar --exclude='./build*' --exclude=./.git --exclude='./kesto_*.deb' -cf - . | \
		tar -xf - -C build-deb/kesto-$(VERSION)
	cd build-deb/kesto-$(VERSION) && dpkg-buildpackage -us -uc -b
	mv build-deb/$(DEB) .

# Builds the package, checks it with lintian and appstreamcli, installs it, runs it as an
# ordinary user and removes it again (as root; takes minutes, so not part of `make test`).
check-deb: deb
	@scripts/install-deps --check-deb
	tests/packaging/test-deb $(DEB)

bench:
	scripts/install-deps --bench
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTO_BENCH=ON
	cmake --build $(BUILD_DIR)
	bench/run-bench $(BUILD_DIR)/bin
	bench/run-watch-bench $(BUILD_DIR)/bin
	bench/run-idle-bench $(BUILD_DIR)/bin
	bench/run-idle-bench $(BUILD_DIR)/bin 3 /var/tmp/kesto-idle-bench exfat
	bench/run-small-files-bench $(BUILD_DIR)/bin
	bench/run-encrypted-bench $(BUILD_DIR)/bin
	bench/run-split-bench $(BUILD_DIR)/bin
	bench/run-7z-bench $(BUILD_DIR)/bin
	bench/run-tar-bench $(BUILD_DIR)/bin

# The fuzz targets, built apart with clang, run for FUZZ_SECONDS in all.
fuzz:
	scripts/install-deps --fuzz
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_DIR)-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTO_FUZZ=ON
	cmake --build $(BUILD_DIR)-fuzz
	tests/fuzz/run-fuzz $(BUILD_DIR)-fuzz $(FUZZ_SECONDS)

docs: program
	docs/make-screenshots $(BUILD_DIR)/bin

clean:
	rm -rf $(BUILD_DIR) $(BUILD_DIR)-fuzz $(BUILD_DIR)-sanitize build-deb
