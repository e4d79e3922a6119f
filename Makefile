# The two commands a player or developer needs:
#   make run   installs what is missing, builds, writes the assets into run/ and starts the game
#   make test  installs what is missing (the end-to-end tests' X tools too), builds with warnings
#              as errors and runs every test through CTest; a test whose tools are missing fails
# and for developers:
#   make fuzz  builds the fuzz targets with clang and runs each for FUZZ_SECONDS
#   make windows       cross-builds the Windows game with mingw-w64 into WINDOWS_BUILD and packs
#                      shardfall-windows.zip there (the assets come from the Linux build)
#   make windows-test  the same with warnings as errors, then the Windows tests under Wine
# and for players who install games from their system's packages:
#   make package  builds the Debian package PACKAGE_BUILD/shardfall_VERSION_ARCH.deb
# and for developers who look at what the suite reaches:
#   make coverage  the suite without the end-to-end runs in a build instrumented with --coverage,
#                  and gcovr's line coverage of the game's own code as HTML in
#                  COVERAGE_BUILD/coverage/index.html (a summary per file on stdout)
BUILD ?= build
RUN ?= run
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
WINDOWS_BUILD ?= build-windows
WINDOWS_CMAKE_FLAGS ?=
PACKAGE_BUILD ?= build-package
COVERAGE_BUILD ?= build-coverage
WINE_ENV = WINEPREFIX=$(abspath $(WINDOWS_BUILD))/wineprefix WINEDEBUG=-all

.PHONY: run test build game deps assets fuzz windows windows-test package coverage clean

deps:
	@scripts/install-deps build

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# Only what playing needs: the game, its assets and the replay player, not the tests and
# benchmarks.
game: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target shardfall assets shardfall-replay -j $(JOBS)

# run/ is the player's folder: only the picture goes there, and only when it is missing, so a
# picture of the player's own is never replaced. The sounds and the music come from the
# build's assets/ beside the game, so a changed asset still reaches the game.
assets: game
	mkdir -p $(RUN)
	[ -e $(RUN)/dx000.bmp ] || cp $(BUILD)/assets/dx000.bmp $(RUN)/

run: assets
	cd $(RUN) && $(abspath $(BUILD))/shardfall

# Developers and CI build with warnings as errors; a plain cmake build (and make run) does not.
test:
	@scripts/install-deps build e2e
	cmake -S . -B $(BUILD) -DSHARDFALL_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)
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

# A Release build installed into /usr (cmake/packaging.cmake), compiled with the flags Debian
# builds its packages with, hardening included (fortified functions, stack protector, read-only
# relocations bound at start), and packed by CPack. Only what the package holds is built.
BUILDFLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
package:
	@scripts/install-deps build package
	cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DSHARDFALL_BENCH=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
	  -DCMAKE_C_FLAGS="$$($(BUILDFLAGS) CFLAGS) $$($(BUILDFLAGS) CPPFLAGS)" \
	  -DCMAKE_CXX_FLAGS="$$($(BUILDFLAGS) CXXFLAGS) $$($(BUILDFLAGS) CPPFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$($(BUILDFLAGS) LDFLAGS)" $(CMAKE_FLAGS)
	cmake --build $(PACKAGE_BUILD) --target shardfall shardfall-replay assets icons package_docs \
	  -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack -G DEB

# The game's own code outside the window systems (the model, the table, the readers, the
# drawing, the sound and music logic), measured over the suite without the end-to-end runs: those
# drive the SDL host, which the report leaves out with the Windows host.
coverage:
	@scripts/install-deps build e2e coverage
	cmake -S . -B $(COVERAGE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DSHARDFALL_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_C_FLAGS=--coverage \
	  -DCMAKE_EXE_LINKER_FLAGS=--coverage $(CMAKE_FLAGS)
	cmake --build $(COVERAGE_BUILD) -j $(JOBS)
	find $(COVERAGE_BUILD) -name '*.gcda' -delete
	cd $(COVERAGE_BUILD) && ctest -j $(JOBS) -E '^e2e\.' --output-on-failure
	mkdir -p $(COVERAGE_BUILD)/coverage
	gcovr --root . --object-directory $(COVERAGE_BUILD) --filter 'src/' --exclude 'src/host/' \
	  --html-details $(COVERAGE_BUILD)/coverage/index.html --print-summary --txt -

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD) $(PACKAGE_BUILD) $(COVERAGE_BUILD)

# Plants each fault of tests/mutation/faults.txt in turn and runs the suite (without the
# end-to-end runs) against it, in its own build folder; slow, about a minute a fault.
# MUTATION_ARGS passes options on, e.g. MUTATION_ARGS="--only name-keeps-one-letter-more".
MUTATION_BUILD ?= build-mutation
MUTATION_ARGS ?=
.PHONY: mutation
mutation: deps
	@scripts/install-deps e2e
	tests/mutation/run.py $(MUTATION_BUILD) $(MUTATION_ARGS)
