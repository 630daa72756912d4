# The two commands players and CI use: `make run` and `make test`.
BUILD    ?= build
TYPE     ?= RelWithDebInfo
JOBS     ?= $(shell nproc)
CMAKE_FLAGS ?=

PREFIX   ?= /usr/local

.PHONY: run test deps configure build bench clean asan-test golden serve bench-server ten-minute-replay install uninstall deb

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
# REPLAYS=1 has the service check the ten-minute game too, beside the pairs.
bench-server: configure
	@cmake --build $(BUILD) --target aerovell-scores aerovell-scores-load $(if $(REPLAYS),ten_minute_replay) -j $(JOBS)
	$(BUILD)/server/bench/aerovell-scores-load $(if $(REPLAYS),--replay $(BUILD)/bench/ten_minute.avr) $(LOAD_FLAGS)

# A true ten-minute game for measuring replay checks, $(BUILD)/bench/ten_minute.avr:
# 37 500 ticks played by input alone, then left as a player leaves a game;
# found by searching its input (aerovell-long-replay, seconds).
ten-minute-replay: configure
	@cmake --build $(BUILD) --target ten_minute_replay -j $(JOBS)

# The game, its data, desktop entry, icons, metadata and manual pages, and the
# score service, below PREFIX (PREFIX=$$HOME/.local needs no root; DESTDIR
# stages the whole tree elsewhere).
install: configure
	@cmake -S . -B $(BUILD) -DCMAKE_INSTALL_PREFIX=$(PREFIX) >/dev/null
	@cmake --build $(BUILD) --target aerovell aerovell-scores -j $(JOBS)
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD)

# Removes what the last `make install` from this build folder put in place.
uninstall:
	@test -f $(BUILD)/install_manifest.txt || { echo "uninstall: nothing was installed from $(BUILD)/" >&2; exit 1; }
	@while IFS= read -r f || [ -n "$$f" ]; do rm -f "$$f" && echo "removed $$f"; done < $(BUILD)/install_manifest.txt
	@sed -n 's|^\(.*/share/aerovell\)/.*|\1|p' $(BUILD)/install_manifest.txt | sort -u | \
	  while IFS= read -r d; do [ -d "$$d" ] && find "$$d" -depth -type d -empty -delete; done; true
	@rm -f $(BUILD)/install_manifest.txt

# The Debian packages aerovell and aerovell-scores, built by dpkg-buildpackage
# from a copy of the source in $(BUILD)/deb/ (where the .deb files land), then
# checked: lintian (an error fails), and the packaged unit with systemd-analyze.
deb: deps
	rm -rf $(BUILD)/deb && mkdir -p $(BUILD)/deb/aerovell
	tar -c --exclude=./build --exclude='./build-*' --exclude=./.git . | tar -x -C $(BUILD)/deb/aerovell
	cd $(BUILD)/deb/aerovell && dpkg-buildpackage -us -uc -b -J$(JOBS)
	lintian --fail-on error --info $(BUILD)/deb/*.changes
	mkdir -p $(BUILD)/deb/root && for d in $(BUILD)/deb/*.deb; do dpkg-deb -x "$$d" $(BUILD)/deb/root; done
	scripts/verify-unit $(BUILD)/deb/root/lib/systemd/system/aerovell-scores.service \
	  $(BUILD)/deb/root/usr/bin/aerovell-scores $(BUILD)/deb/root/usr/share/man

clean:
	rm -rf build build-asan

# Rewrites the golden pictures of the front end from the current build (look at
# them before committing).
golden: build
	cd $(BUILD) && AEROVELL_UPDATE_GOLDEN=1 ./tests/aerovell_tests --gtest_filter='Golden*.*'
