# Front door for the two everyday commands: `make demo` and `make test`.
# Everything else (the build itself) is CMake's; these targets only drive it.

JOBS      ?= $(shell nproc 2>/dev/null || echo 2)
BUILD     ?= build
ASAN_BUILD?= build-asan
# qt6-base-dev brings Qt Widgets, QtTest and the offscreen platform plugin; the font lets text
# render in offscreen screenshots. nlohmann-json3-dev is for moxarchive only, pkg-config for
# the consumer tests.
DEPS       = cmake g++ make libgtest-dev qt6-base-dev fonts-dejavu-core nlohmann-json3-dev pkg-config

CMAKE_FLAGS = -DMOX_WERROR=ON
SAN_ENV     = ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1 \
              UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

.PHONY: all deps build demo demo-qt screenshot test test-plain test-asan test-consumer clean

all: build

deps:
	@scripts/install-deps.sh $(DEPS)

# Each build folder names every option that tells it apart, so no build inherits another's
# sanitizer or fuzzing flags from an earlier configuration.
$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DMOX_SANITIZE= -DMOX_BUILD_FUZZ=OFF -DMOX_INVARIANTS=OFF

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	./$(BUILD)/examples/mox_demo

# The settings window on Qt Widgets; without a display it says how to get a picture instead.
demo-qt: build
	./$(BUILD)/examples/mox_demo_qt

# Renders the settings window offscreen into the README's picture (no display needed).
screenshot: build
	./$(BUILD)/examples/mox_demo_qt --screenshot docs/images/qt-demo.png

test-plain: build
	cd $(BUILD) && ctest -j $(JOBS) --output-on-failure

test-asan: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DMOX_SANITIZE=address,undefined -DMOX_BUILD_EXAMPLES=OFF \
	  -DMOX_BUILD_FUZZ=OFF -DMOX_INVARIANTS=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(SAN_ENV) ctest -j $(JOBS) --output-on-failure

# Install into a scratch prefix and build a consumer with find_package, pkg-config and
# add_subdirectory.
test-consumer: build
	tests/consumer/run.sh $(BUILD)

# The whole suite twice: plain, then under AddressSanitizer + UndefinedBehaviorSanitizer.
test: test-plain test-asan test-consumer fuzz

# Every folder that a target of this Makefile creates.
clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD) $(DOCS_BUILD)

# ---- fuzzing: the archive reader under libFuzzer + ASan + UBSan, for FUZZ_SECONDS ----------------
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_CXX     ?= clang++-14
FUZZ_DEPS     = cmake make clang-14 libclang-rt-14-dev

.PHONY: fuzz
fuzz:
	@scripts/install-deps.sh $(FUZZ_DEPS)
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) $(CMAKE_FLAGS) -DMOX_BUILD_FUZZ=ON -DMOX_INVARIANTS=ON \
	  -DMOX_BUILD_TESTS=OFF -DMOX_BUILD_EXAMPLES=OFF -DMOX_BUILD_TOOLS=OFF -DMOX_BUILD_QT=OFF \
	  -DMOX_SANITIZE=address,undefined
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target mox_archive_fuzzer
	mkdir -p $(FUZZ_BUILD)/corpus
	$(SAN_ENV) ./$(FUZZ_BUILD)/fuzz/mox_archive_fuzzer -max_total_time=$(FUZZ_SECONDS) \
	  -timeout=10 -rss_limit_mb=2048 -dict=fuzz/archive.dict -print_final_stats=1 \
	  $(FUZZ_BUILD)/corpus fuzz/corpus

# ---- benchmarks: `make bench` measures, `make bench-report` rewrites docs/PERFORMANCE.md --------
BENCH_BUILD ?= build-bench
BENCH_DEPS   = $(DEPS) libbenchmark-dev libboost-dev rapidjson-dev nlohmann-json3-dev gnuplot-nox \
             libsigc++-3.0-dev qt6-base-dev pkg-config
BENCH_ARGS  ?= --benchmark_repetitions=3
BENCH_JSON   = $(BENCH_BUILD)/bench.json

.PHONY: bench bench-build bench-report
bench-build:
	@scripts/install-deps.sh $(BENCH_DEPS)
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) -DMOX_BUILD_BENCH=ON \
	  -DMOX_BUILD_TESTS=OFF -DMOX_BUILD_EXAMPLES=OFF -DMOX_BUILD_QT=OFF -DMOX_SANITIZE= \
	  -DMOX_BUILD_FUZZ=OFF -DMOX_INVARIANTS=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target mox_bench mox_bench_report

bench: bench-build
	./$(BENCH_BUILD)/bench/mox_bench $(BENCH_ARGS) --benchmark_out=$(BENCH_JSON) \
	  --benchmark_out_format=json
	./$(BENCH_BUILD)/bench/mox_bench_report $(BENCH_JSON)

$(BENCH_JSON):
	$(MAKE) bench

bench-report: $(BENCH_JSON) bench-build
	./$(BENCH_BUILD)/bench/mox_bench_report $(BENCH_JSON) --update-doc docs/PERFORMANCE.md \
	  --plot-dir $(BENCH_BUILD)
	gnuplot -e "datadir='$(BENCH_BUILD)'; outdir='docs/perf'" scripts/bench-plots.gp

# ---- reliability: ThreadSanitizer and the text and operation fuzzers ----------------------------
# `make test-tsan` builds the tests that run threads with clang's ThreadSanitizer and runs them;
# `make fuzz` also runs the text and operation fuzzers, each for FUZZ_SECONDS (FUZZ_MORE_SECONDS
# within `make test`, to keep it short). Each fuzzer's findings are kept in its corpus folder.
TSAN_BUILD        ?= build-tsan
TSAN_CXX          ?= clang++-14
TSAN_DEPS          = $(DEPS) clang-14 libclang-rt-14-dev
TSAN_ENV           = TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
FUZZ_MORE_SECONDS ?= $(FUZZ_SECONDS)
FUZZ_MORE          = text operations

.PHONY: test-tsan fuzz-more clean-tsan
test-tsan:
	@scripts/install-deps.sh $(TSAN_DEPS)
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_CXX_COMPILER=$(TSAN_CXX) $(CMAKE_FLAGS) \
	  -DMOX_SANITIZE=thread -DMOX_BUILD_EXAMPLES=OFF -DMOX_BUILD_QT=OFF -DMOX_BUILD_TOOLS=OFF \
	  -DMOX_BUILD_FUZZ=OFF -DMOX_INVARIANTS=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target mox_tests
	cd $(TSAN_BUILD) && $(TSAN_ENV) ctest -j $(JOBS) --output-on-failure

fuzz-more:
	@scripts/install-deps.sh $(FUZZ_DEPS)
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) $(CMAKE_FLAGS) -DMOX_BUILD_FUZZ=ON -DMOX_INVARIANTS=ON \
	  -DMOX_BUILD_TESTS=OFF -DMOX_BUILD_EXAMPLES=OFF -DMOX_BUILD_TOOLS=OFF -DMOX_BUILD_QT=OFF \
	  -DMOX_SANITIZE=address,undefined
	cmake --build $(FUZZ_BUILD) -j $(JOBS) $(FUZZ_MORE:%=--target mox_%_fuzzer)
	for name in $(FUZZ_MORE); do \
	  mkdir -p $(FUZZ_BUILD)/corpus-$$name && \
	  $(SAN_ENV) ./$(FUZZ_BUILD)/fuzz/mox_$${name}_fuzzer -max_total_time=$(FUZZ_MORE_SECONDS) \
	    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
	    $(FUZZ_BUILD)/corpus-$$name fuzz/corpus-$$name || exit 1; \
	done

clean-tsan:
	rm -rf $(TSAN_BUILD)

clean: clean-tsan
fuzz: fuzz-more
test: test-tsan
test: FUZZ_MORE_SECONDS = 20

# ---- API reference: HTML from the public headers, in $(DOCS_BUILD)/html/index.html ----------------
DOCS_BUILD ?= build-docs
DOCS_DEPS   = doxygen

.PHONY: docs
docs:
	@scripts/install-deps.sh $(DOCS_DEPS)
	mkdir -p $(DOCS_BUILD)
	( cat docs/Doxyfile; echo "OUTPUT_DIRECTORY = $(DOCS_BUILD)"; \
	  echo "WARN_LOGFILE = $(DOCS_BUILD)/warnings.log" ) | doxygen - > $(DOCS_BUILD)/doxygen.log
	@if [ -s $(DOCS_BUILD)/warnings.log ]; then cat $(DOCS_BUILD)/warnings.log; exit 1; fi
	@echo "API reference: $(DOCS_BUILD)/html/index.html"
