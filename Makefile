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
              libsdl2-dev libsdl2-ttf-dev libfontconfig-dev libx11-dev fonts-dejavu-core fontconfig \
              xvfb xdotool xclip x11-utils openbox imagemagick clang libclang-rt-14-dev
CMAKE_GEN  := -G Ninja

# What bench/peers.sh compares the engine with, and what it measures with;
# installed only for `make peers`.
PEER_PACKAGES := id3v2 python3-mutagen eyed3 lame strace bc

.PHONY: run test build build-asan build-fuzz fuzz deps bench peers screenshots clean

deps:
	@missing=""; for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	  else echo "missing packages:$$missing (install them, or run make as root)"; exit 1; fi; \
	fi

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD)

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DLIRVANE_SANITIZE=ON
	cmake --build $(ASAN_BUILD)

# libFuzzer needs clang; the harnesses run from the seeds in fuzz/seeds.py.
build-fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLIRVANE_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) --target fuzzers

fuzz: build-fuzz
	bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_RUNS)

run: build
	./$(BUILD)/lirvane

test: build build-asan
	ctest --test-dir $(BUILD) --output-on-failure
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure
	$(MAKE) fuzz

bench: build
	./$(BUILD)/bench/lirvane_bench
	./$(BUILD)/bench/lirvane_listbox_bench
	./$(BUILD)/bench/lirvane_walk_bench

# The engine against the peer tag editors on a generated corpus.
peers: build
	$(MAKE) deps PACKAGES="$(PEER_PACKAGES)"
	bash bench/peers.sh

# The README's pictures of the desktop windows, taken anew under Xvfb.
screenshots: build
	bash docs/screenshots/take.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
