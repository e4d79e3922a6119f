# The two commands a player or developer needs:
#   make run   installs what is missing, builds, writes the assets into run/ and starts the game
#   make test  installs what is missing, builds and runs every test through CTest
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

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

test: build
	@scripts/install-deps e2e
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
