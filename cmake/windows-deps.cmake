# What the Windows build takes besides the cross compiler's own libraries, all from Debian
# packages that scripts/install-deps installs; nothing is downloaded:
# - GoogleTest, from the source Debian's googletest package installs.
# - stb's headers (libstb-dev), CLI11's (libcli11-dev) and toml++'s (libtomlplusplus-dev), which
#   are the same for every platform: CLI11's and toml++'s are copied into the build folder, so
#   that no other Linux header is on the path.
# The software text of the headless tools and tests needs no font library here: GDI rasterises
# it (src/gfx/software/glyph_cache_win32.cpp), as it draws the Windows game's text.
# Included before the project's warning flags, which are not these libraries' business.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(STB_INCLUDE_DIRS /usr/include/stb)

# The cross compiler does not look into the build machine's /usr/include, which must not be
# searched for the Windows build as a whole: the build takes a copy of the CLI/ folder alone.
file(COPY /usr/include/CLI DESTINATION ${CMAKE_BINARY_DIR}/cli11-include)
add_library(cli11 INTERFACE)
target_include_directories(cli11 SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/cli11-include)
file(COPY /usr/include/toml++ DESTINATION ${CMAKE_BINARY_DIR}/tomlplusplus-include)
add_library(tomlplusplus INTERFACE)
target_include_directories(tomlplusplus SYSTEM INTERFACE ${CMAKE_BINARY_DIR}/tomlplusplus-include)
