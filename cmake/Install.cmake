# Installing Sieve Rush on Linux, and its Debian package (cpack -G DEB).
#
#   <prefix>/bin/sieverush                    launcher: cd into the data folder, exec the game
#   <prefix>/libexec/sieverush/sieverush      the game itself
#   <prefix>/share/sieverush/                 the six art files the game reads at start-up
#   <prefix>/share/applications/sieverush.desktop
#   <prefix>/share/icons/hicolor/<N>x<N>/apps/sieverush.png
#
# The game finds its art by bare names in its working directory; the launcher provides that
# working directory. It finds both folders relative to itself, so `cmake --install --prefix`
# may put the tree anywhere and move it later. The Windows release is a zip made by
# scripts/windows/build-windows.sh instead.
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

# The launcher, with the ways from its own folder to the art and to the game.
file(RELATIVE_PATH SIEVERUSH_DATA_FROM_BIN
  /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${SIEVERUSH_INSTALL_DATADIR})
file(RELATIVE_PATH SIEVERUSH_GAME_FROM_BIN
  /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${SIEVERUSH_INSTALL_LIBEXECDIR}/sieverush)
configure_file(${PROJECT_SOURCE_DIR}/packaging/sieverush.sh.in
  ${PROJECT_BINARY_DIR}/packaging/sieverush @ONLY)

install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/sieverush DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS sieverush RUNTIME DESTINATION ${SIEVERUSH_INSTALL_LIBEXECDIR})
install(FILES
    ${SIEVERUSH_PLAY_DIR}/SieveFont.bff
    ${SIEVERUSH_PLAY_DIR}/Case.tga
    ${SIEVERUSH_PLAY_DIR}/CaseSide.tga
    ${SIEVERUSH_PLAY_DIR}/Patch.tga
    ${SIEVERUSH_PLAY_DIR}/Hole.tga
    ${SIEVERUSH_PLAY_DIR}/Bits.tga
  DESTINATION ${SIEVERUSH_INSTALL_DATADIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/sieverush.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(DIRECTORY ${SIEVERUSH_ICON_DIR}/
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor
  FILES_MATCHING PATTERN "sieverush.png")

# The Debian package. Its dependencies come from the libraries the game links (dpkg-shlibdeps,
# from dpkg-dev): libglfw3, libopengl0 and the C and C++ runtimes. GLFW loads libGL.so.1 for its
# GLX context at run time, which no linker sees, so libgl1 is named as well.
set(SIEVERUSH_PACKAGE_MAINTAINER "Sieve Rush developers <sieverush@localhost>"
  CACHE STRING "Maintainer field of the Debian package")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sieverush)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arcade game: patch the holes in a leaking computer case")
set(CPACK_PACKAGE_DESCRIPTION "A computer case turns on screen; holes open in its faces and\n\
spray away its RAM. Patch them with the mouse before the RAM runs out. When it\n\
does, the system crashes with style and tells you how long you kept it up.\n\
Drawn with OpenGL; needs an X display.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${SIEVERUSH_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libgl1)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
