# The two commands a newcomer needs: `make run` and `make test`.
# Everything else here is a building block of those two.

BUILD_DIR      ?= build
ASAN_BUILD_DIR ?= build-asan
HEADLESS_BUILD_DIR ?= build-headless
JOBS           ?= 2
CMAKE_FLAGS    ?=

.PHONY: all deps configure build run test test-asan test-headless bench clean

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j$(JOBS)

run: build
	./$(BUILD_DIR)/src/app/kestrune

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

# The whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer;
# any finding stops the test that hit it.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD_DIR) -DCMAKE_BUILD_TYPE=Debug -DKESTRUNE_SANITIZE=ON -DKESTRUNE_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD_DIR) -j$(JOBS)
	cd $(ASAN_BUILD_DIR) && \
	  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=0 \
	  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  ctest --output-on-failure -j$(JOBS)

# kestrune-sim and its tests without the window's libraries (Qt Widgets,
# Qwt): every output but the figures.
test-headless: deps
	cmake -S . -B $(HEADLESS_BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_BUILD_GUI=OFF -DKESTRUNE_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(HEADLESS_BUILD_DIR) -j$(JOBS)
	cd $(HEADLESS_BUILD_DIR) && ctest --output-on-failure -j$(JOBS)

bench: build
	cmake --build $(BUILD_DIR) -j$(JOBS) --target bench
	# The Google Benchmark programs exist only where the library was found.
	if [ -x $(BUILD_DIR)/bench/kestrune-bench-sim ]; then \
	  ./$(BUILD_DIR)/bench/kestrune-bench-sim && \
	  ./$(BUILD_DIR)/bench/kestrune-bench-tune --benchmark_repetitions=5 --benchmark_report_aggregates_only=true && \
	  ./$(BUILD_DIR)/bench/kestrune-bench-cli --benchmark_repetitions=5 --benchmark_report_aggregates_only=true; \
	fi
	./$(BUILD_DIR)/bench/kestrune-bench-app
	./$(BUILD_DIR)/bench/kestrune-bench-figures
	# The Python package, where it was built, against the C++ it binds.
	if [ -d $(BUILD_DIR)/python/kestrune ] && [ -x $(BUILD_DIR)/bench/kestrune-bench-sim ]; then \
	  PYTHONPATH=$(BUILD_DIR)/python /usr/bin/python3 bench/python/bench_python.py $(BUILD_DIR); \
	fi

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR) $(HEADLESS_BUILD_DIR)
