# The two commands players and CI use: `make run` and `make test`.
BUILD    ?= build
TYPE     ?= RelWithDebInfo
JOBS     ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: run test deps configure build bench clean asan-test golden serve bench-server

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(TYPE) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	cd $(BUILD)/game && ./aerovell

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Same suite, built with AddressSanitizer and UndefinedBehaviorSanitizer.
asan-test:
	@$(MAKE) --no-print-directory test BUILD=build-asan TYPE=Debug CMAKE_FLAGS="-DAEROVELL_SANITIZE=ON $(CMAKE_FLAGS)"

bench: build
	$(BUILD)/bench/aerovell_bench

# The score service on 127.0.0.1:8642 with its records in build/scores.sqlite.
serve: configure
	@cmake --build $(BUILD) --target aerovell-scores -j $(JOBS)
	$(BUILD)/server/aerovell-scores --db $(BUILD)/scores.sqlite $(SERVE_FLAGS)

# The score service's load test: its own service on the loopback, 16 clients.
bench-server: configure
	@cmake --build $(BUILD) --target aerovell-scores aerovell-scores-load -j $(JOBS)
	$(BUILD)/server/bench/aerovell-scores-load $(LOAD_FLAGS)

clean:
	rm -rf build build-asan

# Rewrites the golden pictures of the front end from the current build (look at
# them before committing).
golden: build
	cd $(BUILD) && AEROVELL_UPDATE_GOLDEN=1 ./tests/aerovell_tests --gtest_filter='Golden*.*'
