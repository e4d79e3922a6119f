# The two commands a player or developer needs:
#   make run   installs what is missing, builds, writes the assets into run/ and starts the game
#   make test  installs what is missing, builds with warnings as errors and runs every test
#              through CTest
# and for developers:
#   make fuzz  builds the fuzz targets with clang and runs each for FUZZ_SECONDS
#   make windows       cross-builds the Windows game with mingw-w64 into WINDOWS_BUILD and packs
#                      shardfall-windows.zip there (the assets come from the Linux build)
#   make windows-test  the same with warnings as errors, then the Windows tests under Wine
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
WINDOWS_BUILD ?= build-windows
WINDOWS_CMAKE_FLAGS ?=
WINE_ENV = WINEPREFIX=$(abspath $(WINDOWS_BUILD))/wineprefix WINEDEBUG=-all

.PHONY: run test build game deps assets fuzz windows windows-test clean

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

windows: deps $(BUILD)/CMakeCache.txt
	@scripts/install-deps build windows
	cmake --build $(BUILD) --target assets well_check -j $(JOBS)
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DSHARDFALL_WINDOWS_ASSETS=$(abspath $(BUILD))/assets \
	  $(WINDOWS_CMAKE_FLAGS)
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)
	scripts/pack-windows $(WINDOWS_BUILD) $(BUILD)/assets

# One Wine server for the whole run, so that each test starts in a twentieth of a second.
windows-test:
	$(MAKE) windows WINDOWS_CMAKE_FLAGS="-DSHARDFALL_WERROR=ON $(WINDOWS_CMAKE_FLAGS)"
	$(WINE_ENV) scripts/wine-prefix
	cd $(WINDOWS_BUILD) && $(WINE_ENV) ctest --output-on-failure -j $(JOBS); \
	  status=$$?; $(WINE_ENV) wineserver -k; exit $$status

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD)

# Plants each fault of tests/mutation/faults.txt in turn and runs the suite (without the
# end-to-end runs) against it, in its own build folder; slow, about a minute a fault.
# MUTATION_ARGS passes options on, e.g. MUTATION_ARGS="--only name-keeps-one-letter-more".
MUTATION_BUILD ?= build-mutation
MUTATION_ARGS ?=
.PHONY: mutation
mutation: deps
	@scripts/install-deps e2e
	tests/mutation/run.py $(MUTATION_BUILD) $(MUTATION_ARGS)
