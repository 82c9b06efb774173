# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix threads variant).
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#         -DCMAKE_PREFIX_PATH=<prefix holding the MinGW build of GLFW>
#
# The posix variant is the one whose libstdc++ has std::thread and friends; linking with
# -static folds it and winpthread into the executable, so the game imports system DLLs only.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_AR ${MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "Ranlib")

# Headers, libraries and CMake packages come from the MinGW sysroot, never from the Linux
# host (which has its own libglfw3-dev). Prefixes handed in through CMAKE_PREFIX_PATH are
# made search roots too, so a GLFW installed into a private prefix is found there and only
# there; tools to run at build time come from the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE} ${CMAKE_PREFIX_PATH})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest runs cross-built test programs through Wine when it is installed.
find_program(SIEVERUSH_WINE wine)
if(SIEVERUSH_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SIEVERUSH_WINE})
endif()
