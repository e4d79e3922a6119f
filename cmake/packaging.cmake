# The installed game, laid out as Debian lays out its games, and its .deb (make package runs
# cpack -G DEB in a Release build configured with CMAKE_INSTALL_PREFIX=/usr):
#   <prefix>/games/shardfall, shardfall-replay          the game and the replay player
#   SHARDFALL_DATA_DIR (<prefix>/share/games/shardfall) dx000.bmp, Sounds/, music/
#   <prefix>/share/applications/shardfall.desktop       the menu entry
#   <prefix>/share/icons/hicolor/NxN/apps/shardfall.png the icon, drawn by tools/assets
#   <prefix>/share/metainfo/<id>.metainfo.xml           AppStream metadata
#   <prefix>/share/man/man6/*.6.gz                      the manual pages
#   <prefix>/share/doc/shardfall/copyright, changelog.Debian.gz
#   <prefix>/share/doc/shardfall/examples/shardfall.conf  the player's settings, all commented
#   <prefix>/share/lintian/overrides/shardfall          the lintian tags kept, with the reasons
# `cmake --install BUILD --prefix DIR` lays out the same tree under DIR. The high-score table is
# the player's own file, in $XDG_DATA_HOME/shardfall; the package installs none.
#
# Included before the game's libraries are made, since the app library is compiled with
# SHARDFALL_DATA_DIR; the install rules are added at the end of the top folder, once every
# target they install exists.

# Where the installed game looks for its data. Its default follows CMAKE_INSTALL_PREFIX, also
# when the prefix changes in a build folder configured before; a value given by hand stays.
set(SHARDFALL_DEFAULT_DATA_DIR "${CMAKE_INSTALL_PREFIX}/share/games/shardfall")
if(DEFINED SHARDFALL_DATA_DIR AND DEFINED CACHE{SHARDFALL_DATA_DIR_WAS_DEFAULT}
   AND SHARDFALL_DATA_DIR STREQUAL SHARDFALL_DATA_DIR_WAS_DEFAULT)
  set_property(CACHE SHARDFALL_DATA_DIR PROPERTY VALUE "${SHARDFALL_DEFAULT_DATA_DIR}")
endif()
set(SHARDFALL_DATA_DIR "${SHARDFALL_DEFAULT_DATA_DIR}" CACHE PATH
    "The folder the installed game reads dx000.bmp, Sounds/ and music/ from")
set(SHARDFALL_DATA_DIR_WAS_DEFAULT "${SHARDFALL_DEFAULT_DATA_DIR}" CACHE INTERNAL "")

# The Windows game is packed by scripts/pack-windows.
if(WIN32)
  return()
endif()

set(SHARDFALL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(SHARDFALL_APPSTREAM_ID invalid.shardfall.shardfall)

# The package's version is the newest entry of its Debian changelog, as dpkg-parsechangelog
# reads it: upstream version and Debian revision.
file(STRINGS ${SHARDFALL_PACKAGING_DIR}/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^shardfall \\(([0-9][0-9.]*)-([0-9]+)\\) ")
  message(FATAL_ERROR "packaging/changelog: its first line names no version: ${changelog_top}")
endif()
set(SHARDFALL_UPSTREAM_VERSION ${CMAKE_MATCH_1})
set(SHARDFALL_DEBIAN_REVISION ${CMAKE_MATCH_2})
if(PROJECT_VERSION AND NOT PROJECT_VERSION VERSION_EQUAL SHARDFALL_UPSTREAM_VERSION)
  message(WARNING "The project is version ${PROJECT_VERSION} but the newest entry of "
                  "packaging/changelog is ${SHARDFALL_UPSTREAM_VERSION}: add an entry there")
endif()

# Made at build time, beside the icons: the manual pages and the changelog compressed as Debian
# wants them (gzip -9n: no name or time stamp, the same bytes every build).
set(doc_out ${PROJECT_BINARY_DIR}/packaging)
set(compressed)
foreach(page shardfall shardfall-replay)
  configure_file(${SHARDFALL_PACKAGING_DIR}/${page}.6.in ${doc_out}/man/${page}.6 @ONLY)
  list(APPEND compressed ${doc_out}/man/${page}.6)
endforeach()
configure_file(${SHARDFALL_PACKAGING_DIR}/changelog ${doc_out}/doc/changelog.Debian COPYONLY)
list(APPEND compressed ${doc_out}/doc/changelog.Debian)
set(compressed_outputs)
foreach(file ${compressed})
  add_custom_command(
    OUTPUT ${file}.gz
    COMMAND gzip -9nkf ${file}
    DEPENDS ${file}
    VERBATIM)
  list(APPEND compressed_outputs ${file}.gz)
endforeach()
add_custom_target(package_docs ALL DEPENDS ${compressed_outputs})

# Debian's machine-readable copyright file, its licence text taken from LICENSE.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(FIND "${license}" "Permission is hereby granted" permission_at)
string(SUBSTRING "${license}" ${permission_at} -1 license)
string(STRIP "${license}" license)
string(REPLACE "\n\n" "\n.\n" license "${license}")
string(REPLACE "\n" "\n " license "${license}")
# The header names the format by its URI, as the format wants; it stands in packaging/.
set(SHARDFALL_LICENSE_TEXT "${license}")
configure_file(${SHARDFALL_PACKAGING_DIR}/copyright.in ${doc_out}/doc/copyright @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE
                                                              ${SHARDFALL_PACKAGING_DIR}/changelog)

# Installed directories are 755 whatever the umask of the one who builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The data folder, relative to the prefix when it lies under it, so that an install into
# another prefix (cmake --install --prefix DIR, or a package's staging folder) holds it too.
cmake_path(IS_PREFIX CMAKE_INSTALL_PREFIX "${SHARDFALL_DATA_DIR}" NORMALIZE data_under_prefix)
if(data_under_prefix)
  cmake_path(RELATIVE_PATH SHARDFALL_DATA_DIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
             OUTPUT_VARIABLE SHARDFALL_DATA_DESTINATION)
else()
  set(SHARDFALL_DATA_DESTINATION "${SHARDFALL_DATA_DIR}")
endif()

function(shardfall_install_rules)
  install(TARGETS shardfall shardfall-replay RUNTIME DESTINATION games)
  # Stripped (cmake --install --strip, and the package) as Debian strips programs: without the
  # compilers' notes either.
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      foreach(program shardfall shardfall-replay)
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                                --remove-section=.note
                                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/games/\${program}\"
                        COMMAND_ERROR_IS_FATAL ANY)
      endforeach()
    endif()")
  install(DIRECTORY ${PROJECT_BINARY_DIR}/assets/ DESTINATION "${SHARDFALL_DATA_DESTINATION}")
  install(FILES ${SHARDFALL_PACKAGING_DIR}/shardfall.desktop DESTINATION share/applications)
  install(DIRECTORY ${PROJECT_BINARY_DIR}/icons/ DESTINATION share/icons)
  install(FILES ${SHARDFALL_PACKAGING_DIR}/${SHARDFALL_APPSTREAM_ID}.metainfo.xml
          DESTINATION share/metainfo)
  install(FILES ${doc_out}/man/shardfall.6.gz ${doc_out}/man/shardfall-replay.6.gz
          DESTINATION share/man/man6)
  install(FILES ${doc_out}/doc/copyright ${doc_out}/doc/changelog.Debian.gz
          DESTINATION share/doc/shardfall)
  install(FILES ${SHARDFALL_PACKAGING_DIR}/shardfall.conf DESTINATION share/doc/shardfall/examples)
  install(FILES ${SHARDFALL_PACKAGING_DIR}/lintian-overrides DESTINATION share/lintian/overrides
          RENAME shardfall)
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL shardfall_install_rules)

# The .deb. Its dependencies are the shared libraries' packages (dpkg-shlibdeps, from
# dpkg-dev: SDL2, SDL2_mixer, FreeType, fontconfig, libpng, the C++ runtime) and the files the
# game opens by name: the General MIDI soundfont and the font.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME shardfall)
set(CPACK_PACKAGE_VERSION ${SHARDFALL_UPSTREAM_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${SHARDFALL_DEBIAN_REVISION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_VENDOR "The Shardfall developers")
set(CPACK_PACKAGE_CONTACT "The Shardfall developers <dev@shardfall.invalid>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "falling-block game whose full rows burst into debris")
# Lines of the package's description as Debian wants them: under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Shardfall is a full-screen, keyboard-only falling-block game. Pieces drop
into a well ten cells wide and twenty deep; full rows burst into debris that
flies off under gravity, and more rows at once earn more points. Each player's
ten-place high-score table is kept in their own data folder; sound effects
and MIDI music play along.

The package also holds shardfall-replay, which plays a game recorded with
shardfall --record back without a window, for bug reports.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont | sf3-soundfont-gm, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The package installs where the game was compiled to look for its data.
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
include(CPack)
