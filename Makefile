# Two commands for a fresh machine: `make run` builds and starts the program,
# `make test` builds and runs every test (also under the sanitizers).
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
# Seconds per fuzz harness; `make fuzz FUZZ_SECONDS=3600` for a long run.
FUZZ_SECONDS ?= 20
# Inputs per harness at most (-1: no limit): with the fixed seed, the short run
# in `make test` tries the same inputs on every machine, however fast.
FUZZ_RUNS ?= 150000
PACKAGES   := cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libtag1-dev zlib1g-dev \
              libncurses-dev tmux python3 python3-mutagen python3-eyed3 \
              libsdl2-dev libsdl2-ttf-dev libfontconfig-dev libx11-dev libdbus-1-dev fonts-dejavu-core fonts-droid-fallback fontconfig \
              xvfb xdotool xclip x11-utils openbox imagemagick dbus-daemon python3-dbus python3-gi clang libclang-rt-14-dev acl attr

# What bench/peers.sh compares the engine with, and what it measures with;
# installed only for `make peers`.
PEER_PACKAGES := id3v2 python3-mutagen eyed3 lame strace bc

.PHONY: run test build build-asan build-fuzz fuzz deps bench bench-collection peers screenshots clean

deps:
	@missing=""; for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else echo "missing packages:$$missing (install them, or run make as root)"; exit 1; fi; \
	fi

# The three builds are the presets of CMakePresets.json; warnings are errors
# in the first two.
build: deps
	cmake --preset normal -B $(BUILD)
	cmake --build $(BUILD)

build-asan: deps
	cmake --preset sanitize -B $(ASAN_BUILD)
	cmake --build $(ASAN_BUILD)

# libFuzzer needs clang; the harnesses run from the seeds in fuzz/seeds.py.
build-fuzz: deps
	cmake --preset fuzz -B $(FUZZ_BUILD)
	cmake --build $(FUZZ_BUILD) --target fuzzers

fuzz: build-fuzz
	FUZZ_HARNESSES="$(FUZZ_HARNESSES)" bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_RUNS)

run: build
	./$(BUILD)/lirvane

test: build build-asan
	ctest --test-dir $(BUILD) --output-on-failure
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure
	$(MAKE) fuzz

bench: build
	./$(BUILD)/bench/lirvane_bench
	./$(BUILD)/bench/lirvane_listbox_bench
	./$(BUILD)/bench/lirvane_edit_bench
	./$(BUILD)/bench/lirvane_walk_bench

# The program over a generated collection of 150,000 files (about 2 GB in
# COLLECTION, made once and then kept): through the application code at four
# sizes, then the real program in tmux. Not part of `make test`.
COLLECTION ?= /tmp/lirvane-collection
COLLECTION_ROUNDS ?= 3
bench-collection: build
	python3 bench/make_collection.py $(COLLECTION)
	./$(BUILD)/bench/lirvane_collection_bench $(COLLECTION) $(COLLECTION_ROUNDS)
	bash bench/collection_term.sh ./$(BUILD)/lirvane $(COLLECTION) $(COLLECTION_ROUNDS)

# The engine against the peer tag editors on a generated corpus.
peers: build
	$(MAKE) deps PACKAGES="$(PEER_PACKAGES)"
	bash bench/peers.sh

# The README's pictures of the desktop windows, taken anew under Xvfb.
screenshots: build
	bash docs/screenshots/take.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
