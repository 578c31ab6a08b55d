# Thin wrapper over CMake so that a newcomer needs only `make demo` and `make test`.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
BENCH_BUILD?= build-bench
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
REQUIRE    := tools/require-packages.sh
BASE_PKGS  := g++ cmake ninja-build pkg-config libxml2-dev libgtest-dev libpcre2-dev nlohmann-json3-dev unzip zip python3

FLEET_OUT  ?= $(BUILD)/fleet
# The build whose bin/ supplies the module and the component executables of
# the fleet collection, and the make target that builds it: the portable build,
# whose executables are what the packages ship. The developer build serves as
# well (make fleet FLEET_DEPS=build FLEET_BIN=build/bin).
FLEET_DEPS ?= portable
FLEET_BIN  ?= build-portable/bin

.PHONY: all build test test-fast demo sanitize lint format fuzz bench memcheck install package clean deps
.PHONY: fleet fleet-test fleet-picture portable portable-test portable-package portable-old-loader

# Every target configures before it builds: a configure of an existing build
# is quick and changes nothing unless CMAKE_ARGS or the tree did (its progress
# lines are dropped; its warnings and errors still show), and a later
# CMAKE_ARGS (or CI's warnings-as-errors) is never silently ignored.

all: build

deps:
	@$(REQUIRE) $(BASE_PKGS)

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The unit tests alone (ctest label unit): no built executable is run.
test-fast: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -L unit

# KEEP=1 keeps the demonstration's simulated server and says where it is.
demo: build
	@testing/demo.sh $(BUILD)/bin $(if $(filter-out 0,$(KEEP)),--keep)

# AddressSanitizer and UndefinedBehaviorSanitizer: any report aborts the test that made it.
sanitize: deps
	@cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFCUPDATE_SANITIZE=ON $(CMAKE_ARGS) >/dev/null
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS)

format:
	@$(REQUIRE) clang-format
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# ansible-lint resolves the collection from a built one: the developer build's
# serves, so that linting needs no portable toolchain.
lint: build
	@$(REQUIRE) clang-format clang-tidy cppcheck python3 ansible-lint
	@tools/lint.sh $(BUILD)
	@$(MAKE) --no-print-directory fleet FLEET_DEPS=build FLEET_BIN=$(BUILD)/bin FLEET_OUT=$(BUILD)/fleet-lint
	@tools/lint-ansible.sh $(BUILD)/fleet-lint

fuzz:
	@$(REQUIRE) $(BASE_PKGS) clang libclang-rt-14-dev
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFCUPDATE_FUZZ=ON $(CMAKE_ARGS) >/dev/null
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@fuzz/run-all.sh $(FUZZ_BUILD)/bin $${FUZZ_SECONDS:-30}

bench:
	@$(REQUIRE) $(BASE_PKGS) libbenchmark-dev libpcre2-dev libre2-dev libboost-regex-dev
	@cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DFCUPDATE_BENCH=ON $(CMAKE_ARGS) >/dev/null
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	@bench/run-all.sh $(BENCH_BUILD)/bin
	@bench/whole_run/run.sh $(BENCH_BUILD)/bin

# valgrind runs the tests many times slower, so their time limits are
# multiplied (testing/test_properties.cmake.in).
memcheck: build
	@$(REQUIRE) valgrind
	FCUPDATE_TEST_TIMEOUT_FACTOR=5 ctest --test-dir $(BUILD) -T memcheck -LE build-tools --output-on-failure -j $(JOBS)

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

package: build
	@$(REQUIRE) rpm
	cd $(BUILD) && cpack
	@packaging/check-package.sh $(BUILD)/fcupdate-*.x86_64.rpm

# The Ansible collection fcupdate.fleet with its binary module, and its archive.
fleet: $(FLEET_DEPS) build
	@$(REQUIRE) ansible-core
	@ansible/build-collection.sh $(FLEET_OUT) $(FLEET_BIN)/fc_firmware

# Real ansible-playbook runs over a fleet of simulated servers on this machine.
fleet-test: fleet
	@$(REQUIRE) ansible-core python3
	@python3 ansible/fleet_test/fleet_test.py --collections $(FLEET_OUT) --bin $(FLEET_BIN) --tools $(BUILD)/bin

# The fleet test, redrawing docs/fleet-report.png from its fleet report.
fleet-picture: fleet
	@$(REQUIRE) ansible-core python3 chromium
	@python3 ansible/fleet_test/fleet_test.py --collections $(FLEET_OUT) --bin $(FLEET_BIN) --tools $(BUILD)/bin \
	  --picture docs/fleet-report.png

# The portable build for the old enterprise hosts (tools/portable/): a pinned
# zig toolchain, installed into a cache outside the tree when missing.
PORTABLE_BUILD ?= build-portable
PORTABLE_PKGS  := $(BASE_PKGS) googletest openssl binutils python3 rpm
# The executables of the vendor registration (components/vendors.txt) and rxprobe.
PORTABLE_SHIP  := $(shell awk '!/^[ \t]*(\#|$$)/ {print $$3}' components/vendors.txt) rxprobe
# The fleet module is built and audited with the executables, but ships in the
# Ansible collection, not in the update package.
PORTABLE_BUILT := $(PORTABLE_SHIP) fc_firmware

portable:
	@$(REQUIRE) $(PORTABLE_PKGS)
	@toolchain=$$(tools/portable/toolchain.sh) && cmake -S . -B $(PORTABLE_BUILD) -G Ninja \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/tools/portable/toolchain.cmake \
	  -DFCUPDATE_TOOLCHAIN_DIR=$$toolchain $(CMAKE_ARGS) >/dev/null
	cmake --build $(PORTABLE_BUILD) -j $(JOBS) --target $(PORTABLE_BUILT)
	@tools/portable/audit.py $(addprefix $(PORTABLE_BUILD)/bin/,$(PORTABLE_BUILT))

portable-test: portable
	cmake --build $(PORTABLE_BUILD) -j $(JOBS)
	ctest --test-dir $(PORTABLE_BUILD) --output-on-failure -j $(JOBS)

portable-package: portable
	cd $(PORTABLE_BUILD) && cpack -G RPM
	@tools/portable/update-package.sh $(PORTABLE_BUILD) $(PORTABLE_SHIP)
	@tools/portable/check-rpm.sh $(PORTABLE_BUILD)/fcupdate-*.portable.x86_64.rpm
	@packaging/check-package.sh $(PORTABLE_BUILD)/fcupdate-*.portable.x86_64.rpm

# The end-to-end tests with the packaged executables under Debian 11's C
# library and libxml2, fetched into a cache outside the tree.
portable-old-loader: portable-package
	cmake --build $(PORTABLE_BUILD) -j $(JOBS)
	@tools/portable/old-loader.sh $(PORTABLE_BUILD)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(PORTABLE_BUILD)
