# make run   install missing packages, build, start build/cellreel
# make test  install, build (plain and sanitized), run every test
# make bench build and run the benchmarks under a private display (the soak
#            for BENCH_SOAK_MINUTES)
# make soak  the soak alone, for SOAK_MINUTES (default 10)
# make fuzz  build the libFuzzer targets with clang (FUZZ_SECONDS each;
#            FUZZ_TARGETS picks some)
# make package  build build/cellreel_<version>_<arch>.deb
# make wayland  run the Wayland smoke test (Weston, XWayland, native driver)

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

.PHONY: all deps build san run test test-plain test-san bench soak fuzz install package wayland clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCELLREEL_WERROR=$(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

san: deps
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DCELLREEL_SANITIZE=ON -DCELLREEL_BENCH=OFF \
	  -DCELLREEL_WERROR=$(WERROR)
	cmake --build $(SAN_BUILD) -j $(JOBS)

run: build
	./$(BUILD)/cellreel

test-plain: build
	cd $(BUILD) && ctest --output-on-failure

test-san: san
	cd $(SAN_BUILD) && ctest --output-on-failure

test: test-plain test-san

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; \
	  CELLREEL_SOAK_MINUTES=$(BENCH_SOAK_MINUTES) tests/with-display.sh $$b || exit 1; done

soak: build
	CELLREEL_SOAK_MINUTES=$(SOAK_MINUTES) tests/with-display.sh $(BUILD)/bench/bench_app_soak

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCELLREEL_FUZZ=ON -DCELLREEL_TESTS=OFF -DCELLREEL_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	@for n in $(FUZZ_TARGETS); do \
	  mkdir -p fuzz/corpus-$$n; \
	  echo "== $$n for $(FUZZ_SECONDS)s"; \
	  $(FUZZ_BUILD)/fuzz/$$n -max_total_time=$(FUZZ_SECONDS) -malloc_limit_mb=$(FUZZ_MALLOC_MB) \
	    -rss_limit_mb=$(FUZZ_RSS_MB) -print_final_stats=1 fuzz/corpus-$$n fuzz/seeds || exit 1; \
	done

install: build
	cmake --install $(BUILD)

package: build
	cd $(BUILD) && cpack -G DEB

wayland: build
	cd $(BUILD) && ctest --output-on-failure -L wayland

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
