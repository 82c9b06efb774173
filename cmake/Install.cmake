# Installing Sieve Rush on Linux, and its Debian package (cpack -G DEB).
#
#   <prefix>/bin/sieverush                    launcher: runs the game in the player's own folder
#   <prefix>/libexec/sieverush/sieverush      the game itself
#   <prefix>/share/sieverush/                 the art files the game reads at start-up
#   <prefix>/share/applications/sieverush.desktop   opens recordings (%f) of the type below
#   <prefix>/share/mime/packages/sieverush.xml      the recordings' file type (*.sieverush, SRRP)
#   <prefix>/share/icons/hicolor/<N>x<N>/apps/sieverush.png
#   <prefix>/share/metainfo/org.sieverush.sieverush.metainfo.xml   for software centres
#   <prefix>/share/man/man6/sieverush.6.gz
#   <prefix>/share/doc/sieverush/             copyright and changelog, as Debian keeps them
#
# The Debian package puts the launcher in games/ and the art in share/games/sieverush/, where
# Debian keeps its games (scripts/package.sh sets the two folders below). The game finds its
# art by bare names in its working directory; the launcher provides that working directory,
# a folder of the player's own filled with links to the art. It finds the installed folders
# relative to itself, so `cmake --install --prefix` may put the tree anywhere and move it
# later. The Windows release is a zip made by scripts/windows/build-windows.sh instead.
if(WIN32 OR NOT TARGET art OR NOT TARGET icons)
  return()
endif()

include(GNUInstallDirs)

set(SIEVERUSH_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/sieverush
  CACHE STRING "Folder for the game's art files, relative to the prefix")
set(SIEVERUSH_INSTALL_LIBEXECDIR ${CMAKE_INSTALL_LIBEXECDIR}/sieverush
  CACHE STRING "Folder for the game executable the launcher starts, relative to the prefix")
foreach(dir CMAKE_INSTALL_BINDIR SIEVERUSH_INSTALL_DATADIR SIEVERUSH_INSTALL_LIBEXECDIR)
  if(IS_ABSOLUTE "${${dir}}")
    message(FATAL_ERROR "${dir} must be relative to the prefix: the launcher finds the game "
      "and its art relative to itself")
  endif()
endforeach()

# Installed folders are world-readable whatever the umask of whoever builds the package.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The launcher, with the ways from its own folder to the art and to the game. It links every
# file of the installed art folder into the player's folder.
file(RELATIVE_PATH SIEVERUSH_DATA_FROM_BIN
  /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${SIEVERUSH_INSTALL_DATADIR})
file(RELATIVE_PATH SIEVERUSH_GAME_FROM_BIN
  /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${SIEVERUSH_INSTALL_LIBEXECDIR}/sieverush)
configure_file(${PROJECT_SOURCE_DIR}/packaging/sieverush.sh.in
  ${PROJECT_BINARY_DIR}/packaging/sieverush @ONLY)

# The Debian package's Maintainer. Left empty it is whoever builds the package, named the way
# Debian's own tools take it (DEBFULLNAME and DEBEMAIL), else the project's developers.
set(SIEVERUSH_PACKAGE_MAINTAINER "" CACHE STRING
  "Maintainer of the Debian package, as Name <address>; empty: from DEBFULLNAME and DEBEMAIL")
set(maintainer "${SIEVERUSH_PACKAGE_MAINTAINER}")
if(maintainer STREQUAL "" AND "$ENV{DEBEMAIL}" MATCHES "<.+@.+>")
  set(maintainer "$ENV{DEBEMAIL}")
elseif(maintainer STREQUAL "" AND "$ENV{DEBEMAIL}" MATCHES ".+@.+")
  set(maintainer "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
elseif(maintainer STREQUAL "")
  set(maintainer "The Sieve Rush developers <dev@sieverush.invalid>")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)

# The manual page names the installed art folder; it and Debian's changelog are installed
# compressed at the highest level, without a time stamp, as Debian's tools install them.
set(SIEVERUSH_FULL_DATADIR ${CMAKE_INSTALL_PREFIX}/${SIEVERUSH_INSTALL_DATADIR})
configure_file(${PROJECT_SOURCE_DIR}/packaging/sieverush.6.in
  ${PROJECT_BINARY_DIR}/packaging/sieverush.6 @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
  ${PROJECT_BINARY_DIR}/packaging/changelog.Debian @ONLY)
set(packaging_gz)
foreach(name sieverush.6 changelog.Debian)
  set(plain ${PROJECT_BINARY_DIR}/packaging/${name})
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND gzip -9 -n -k -f ${plain}
    DEPENDS ${plain}
    VERBATIM)
  list(APPEND packaging_gz ${plain}.gz)
endforeach()
add_custom_target(packaging_docs ALL DEPENDS ${packaging_gz})

install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/sieverush DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS sieverush RUNTIME DESTINATION ${SIEVERUSH_INSTALL_LIBEXECDIR})
# The art folder holds exactly the files the game reads (tools/make_art names them).
install(DIRECTORY ${SIEVERUSH_ART_DIR}/ DESTINATION ${SIEVERUSH_INSTALL_DATADIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/sieverush.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The recordings' file type, for shared-mime-info. Debian's shared-mime-info and
# desktop-file-utils rebuild their caches by their own triggers on these folders, so the package
# needs no scripts; elsewhere update-mime-database does it.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/sieverush-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME sieverush.xml)
install(DIRECTORY ${SIEVERUSH_ICON_DIR}/
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor
  FILES_MATCHING PATTERN "sieverush.png")
install(FILES ${PROJECT_SOURCE_DIR}/packaging/org.sieverush.sieverush.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_BINARY_DIR}/packaging/sieverush.6.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
    ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sieverush)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME sieverush)

# The Debian package. Its dependencies come from the libraries the game links (dpkg-shlibdeps,
# from dpkg-dev): libglfw3, libopengl0 and the C and C++ runtimes. GLFW loads libGL.so.1 for its
# GLX context at run time, which no linker sees, so libgl1 is named as well. notify-send
# (libnotify-bin) lets the launcher show a failed start on the desktop.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sieverush)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arcade game: patch the holes in a leaking computer case")
set(CPACK_PACKAGE_DESCRIPTION "A computer case turns on screen; holes open in its faces and\n\
spray away its RAM. Patch them with the mouse before the RAM runs out. When it\n\
does, the system crashes with style and tells you how long you kept it up.\n\
Drawn with OpenGL; needs an X display.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${maintainer})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libgl1)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS libnotify-bin)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
