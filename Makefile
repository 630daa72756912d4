# The two commands players and CI use: `make run` and `make test`.
BUILD    ?= build
TYPE     ?= RelWithDebInfo
JOBS     ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: run test deps configure build bench clean asan-test golden

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
	@$(MAKE) --no-print-directory test BUILD=build-asan TYPE=Debug CMAKE_FLAGS=-DAEROVELL_SANITIZE=ON

bench: build
	$(BUILD)/bench/aerovell_bench

clean:
	rm -rf build build-asan

# Rewrites the golden pictures of the front end and of play from the current
# build (look at them before committing).
golden: build
	cd $(BUILD) && AEROVELL_UPDATE_GOLDEN=1 ./tests/aerovell_tests --gtest_filter='Golden*'
