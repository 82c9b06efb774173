# The browser build (emscripten): GLFW 3 and the fixed-function OpenGL 1.x come from emscripten's
# own libraries, named at link time, instead of from installed packages. The page and its art are
# set up with the game in app/CMakeLists.txt.
add_library(OpenGL::GL INTERFACE IMPORTED)
target_link_options(OpenGL::GL INTERFACE -sLEGACY_GL_EMULATION=1)
add_library(glfw INTERFACE IMPORTED)
target_link_options(glfw INTERFACE -sUSE_GLFW=3)

set(SIEVERUSH_WEB_ART "" CACHE PATH "Folder whose files the page preloads as the game's working folder")
if(NOT IS_DIRECTORY "${SIEVERUSH_WEB_ART}")
  message(FATAL_ERROR "SIEVERUSH_WEB_ART must name the folder of the art files to preload "
    "(scripts/web/build-web.sh makes it with the native art tool)")
endif()
