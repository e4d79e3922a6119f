# The two commands a player or developer needs:
#   make run   installs what is missing, builds, writes the assets into run/ and starts the game
#   make test  installs what is missing, builds with warnings as errors and runs every test
#              through CTest
# and for developers:
#   make fuzz  builds the fuzz targets with clang and runs each for FUZZ_SECONDS
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: run test build game deps assets fuzz clean

deps:
	@scripts/install-deps build

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Only what playing needs: the game and its assets, not the tests and benchmarks.
game: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target shardfall assets -j $(JOBS)

assets: game
	mkdir -p run
	cp -r $(BUILD)/assets/. run/

run: assets
	cd run && $(abspath $(BUILD))/shardfall

# Developers and CI build with warnings as errors; a plain cmake build (and make run) does not.
test: deps
	cmake -S . -B $(BUILD) -DSHARDFALL_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
	@scripts/install-deps e2e
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

fuzz:
	@scripts/install-deps build fuzz
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	  -DSHARDFALL_WERROR=ON -DSHARDFALL_FUZZ=ON -DSHARDFALL_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD) --target fuzzers -j $(JOBS)
	fuzz/run $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD)
