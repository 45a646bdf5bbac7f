# make run   install what building and running need, build the program, start build/cellreel
# make test  install what the tests need too, build (plain with gcc, sanitized with clang),
#            run every test
# make bench build and run the benchmarks under a private display (the soak
#            for BENCH_SOAK_MINUTES)
# make soak  the soak alone, for SOAK_MINUTES (default 10)
# make fuzz  build the libFuzzer targets with clang (FUZZ_SECONDS each;
#            FUZZ_TARGETS picks some)
# make package  build build/cellreel_<version>_<arch>.deb
# make wayland  run the Wayland smoke test (Weston, XWayland, native driver)
# make wm       run the window-manager tests (mutter, openbox)
# make check-release RELEASE=13  make test in a fresh Debian root of that release

JOBS ?= $(shell nproc)
BUILD := build
SAN_BUILD := build-san
FUZZ_BUILD := build-fuzz
# CI (set by .ci/run) makes every warning an error.
WERROR := $(if $(CI),ON,OFF)
FUZZ_SECONDS ?= 60
BENCH_SOAK_MINUTES ?= 2
SOAK_MINUTES ?= 10
FUZZ_TARGETS ?= fuzz_bmp fuzz_tga fuzz_load fuzz_file
# A small input may not make one allocation above this, nor the process
# grow above the RSS limit.
FUZZ_MALLOC_MB ?= 64
FUZZ_RSS_MB ?= 2048

.PHONY: all deps build build-all san run test test-plain test-san bench soak fuzz install package \
  wayland wm check-release clean

all: build-all

deps:
	@scripts/install-deps run

# A tree configured before (by `make test`, say) keeps its tests and
# benchmarks; a new one leaves out what the target does not use, so that
# building and running need neither GoogleTest nor Google Benchmark.
CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCELLREEL_WERROR=$(WERROR)
new_tree = $(if $(wildcard $(BUILD)/CMakeCache.txt),,$(1))
NO_TESTS = $(call new_tree,-DCELLREEL_TESTS=OFF)
NO_BENCH = $(call new_tree,-DCELLREEL_BENCH=OFF)

# The program alone.
build: deps
	$(CONFIGURE) $(NO_TESTS) $(NO_BENCH)
	cmake --build $(BUILD) -j $(JOBS) --target cellreel

# Everything the tree is configured for (the tests and benchmarks once
# `make test` or `make bench` turned them on) and the packaged files.
build-all: deps
	$(CONFIGURE) $(NO_TESTS) $(NO_BENCH)
	cmake --build $(BUILD) -j $(JOBS)

# The sanitized tree is built with clang and the plain one with gcc, so that
# each run of the tests compiles the code with both.
san:
	@scripts/install-deps test
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCELLREEL_SANITIZE=ON -DCELLREEL_BENCH=OFF \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCELLREEL_WERROR=$(WERROR)
	cmake --build $(SAN_BUILD) -j $(JOBS)

run: build
	./$(BUILD)/cellreel

test-plain:
	@scripts/install-deps test
	$(CONFIGURE) -DCELLREEL_TESTS=ON -DCELLREEL_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure

test-san: san
	cd $(SAN_BUILD) && ctest --output-on-failure

test: test-plain test-san

bench:
	@scripts/install-deps bench
	$(CONFIGURE) $(NO_TESTS) -DCELLREEL_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS)
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; \
	  CELLREEL_SOAK_MINUTES=$(BENCH_SOAK_MINUTES) tests/with-display.sh $$b || exit 1; done

soak:
	@scripts/install-deps bench
	$(CONFIGURE) $(NO_TESTS) -DCELLREEL_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS) --target bench_app_soak
	CELLREEL_SOAK_MINUTES=$(SOAK_MINUTES) tests/with-display.sh $(BUILD)/bench/bench_app_soak

fuzz:
	@scripts/install-deps fuzz
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DCELLREEL_FUZZ=ON -DCELLREEL_TESTS=OFF -DCELLREEL_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	@for n in $(FUZZ_TARGETS); do \
	  mkdir -p fuzz/corpus-$$n; \
	  echo "== $$n for $(FUZZ_SECONDS)s"; \
	  $(FUZZ_BUILD)/fuzz/$$n -max_total_time=$(FUZZ_SECONDS) -malloc_limit_mb=$(FUZZ_MALLOC_MB) \
	    -rss_limit_mb=$(FUZZ_RSS_MB) -print_final_stats=1 fuzz/corpus-$$n fuzz/seeds || exit 1; \
	done

install: build-all
	cmake --install $(BUILD)

package:
	@scripts/install-deps package
	$(CONFIGURE) $(NO_TESTS) $(NO_BENCH)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && cpack -G DEB

wayland:
	@scripts/install-deps wayland
	$(CONFIGURE) -DCELLREEL_TESTS=ON $(NO_BENCH)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -L wayland

wm:
	@scripts/install-deps wm
	$(CONFIGURE) -DCELLREEL_TESTS=ON $(NO_BENCH)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -L wm

RELEASE ?= 13
check-release:
	scripts/check-release $(RELEASE)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
