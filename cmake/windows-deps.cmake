# What the Windows build takes from outside, none of it packaged by Debian for mingw-w64:
# - FreeType, built from Debian's own source of the version the Linux build links (2.12.1), so
#   that the software text of the headless tools and tests comes out the same on both platforms
#   (the game itself draws its text with GDI). CMake downloads it from the Debian archive once
#   per build folder and checks it against the archive's checksum.
# - GoogleTest, from the source Debian's googletest package installs.
# - stb's headers, which are the same for every platform.
# Included before the project's warning flags, which are not these libraries' business.
include(FetchContent)

foreach(feature ZLIB BZIP2 PNG HARFBUZZ BROTLI)
  set(FT_DISABLE_${feature} ON CACHE BOOL "FreeType without ${feature}" FORCE)
endforeach()
FetchContent_Declare(freetype
  URL http://deb.debian.org/debian/pool/main/f/freetype/freetype_2.12.1+dfsg.orig.tar.xz
  URL_HASH SHA256=7dedb6b9adf331559daea614a83b8de42a753e685ec8e1c4bdb4529eb880b0d1
  DOWNLOAD_EXTRACT_TIMESTAMP TRUE)
FetchContent_MakeAvailable(freetype)
set_target_properties(freetype PROPERTIES EXCLUDE_FROM_ALL TRUE)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(STB_INCLUDE_DIRS /usr/include/stb)

# The face the software text uses in tests and tools run under Wine: the build machine's, through
# Wine's drive Z: (the root of the Linux file system).
set(SHARDFALL_WINDOWS_FONT "Z:/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
    CACHE STRING "DejaVu Sans Mono as the Windows tests see it")
