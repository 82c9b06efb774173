# The browser build (emscripten): GLFW 3 and the fixed-function OpenGL 1.x come from emscripten's
# own libraries, named at link time, instead of from installed packages.
add_library(OpenGL::GL INTERFACE IMPORTED)
target_link_options(OpenGL::GL INTERFACE -sLEGACY_GL_EMULATION=1)
add_library(glfw INTERFACE IMPORTED)
target_link_options(glfw INTERFACE -sUSE_GLFW=3)

set(SIEVERUSH_WEB_ART "" CACHE PATH "Folder whose files the page preloads as the game's working folder")
if(NOT IS_DIRECTORY "${SIEVERUSH_WEB_ART}")
  message(FATAL_ERROR "SIEVERUSH_WEB_ART must name the folder of the art files to preload "
    "(scripts/web/build-web.sh makes it with the native art tool)")
endif()

# Makes `target` a page: TARGET.html from platform/web/page.html, with its script, wasm and the art
# preloaded as the files of the working folder ("/"), where the game reads them by bare names.
# The page's animation frames run the game's loop (emscripten_set_main_loop): nothing yields, and
# nothing throws.
#   MINIFY_HTML=0: emscripten 3.1.6 crashes minifying the page in optimised builds.
#   ENVIRONMENT=web: the script carries no code for Node.js or workers, where the game never runs.
function(sieverush_web_page target)
  set(page ${PROJECT_SOURCE_DIR}/platform/web/page.html)
  set_target_properties(${target} PROPERTIES SUFFIX .html)
  target_link_options(${target} PRIVATE
    -sMINIFY_HTML=0 -sENVIRONMENT=web -sALLOW_MEMORY_GROWTH=1 --shell-file ${page}
    --preload-file ${SIEVERUSH_WEB_ART}@/)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${page})
endfunction()
