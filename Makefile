# Thin wrapper over CMake so that a newcomer needs only `make demo` and `make test`.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
BENCH_BUILD?= build-bench
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=
REQUIRE    := tools/require-packages.sh
BASE_PKGS  := g++ cmake ninja-build pkg-config libxml2-dev libgtest-dev libpcre2-dev nlohmann-json3-dev unzip zip

FLEET_OUT  ?= $(BUILD)/fleet
# The build whose bin/ supplies the module and the component executables of
# the fleet collection, and the make target that builds it. The packages ship
# the portable build's executables (FLEET_DEPS=portable,
# FLEET_BIN=build-portable/bin); the developer build serves as well.
FLEET_DEPS ?= build
FLEET_BIN  ?= $(BUILD)/bin

.PHONY: all build test demo sanitize lint format fuzz bench memcheck install package clean deps fleet fleet-test fleet-picture

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

demo: build
	@testing/demo.sh $(BUILD)/bin

# AddressSanitizer and UndefinedBehaviorSanitizer: any report aborts the test that made it.
sanitize: deps
	@cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFCUPDATE_SANITIZE=ON $(CMAKE_ARGS) >/dev/null
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS)

format:
	@$(REQUIRE) clang-format
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

lint: build fleet
	@$(REQUIRE) clang-format clang-tidy cppcheck python3 ansible-lint
	@tools/lint.sh $(BUILD)
	@tools/lint-ansible.sh $(FLEET_OUT)

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

memcheck: build
	@$(REQUIRE) valgrind
	ctest --test-dir $(BUILD) -T memcheck --output-on-failure -j $(JOBS)

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

package: build
	@$(REQUIRE) rpm
	cd $(BUILD) && cpack

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

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD)
