# sieverush_stb_library(TARGET SOURCE HEADER): a library of the code of one of the stb headers
# Debian ships (libstb-dev), compiled from SOURCE, which says which parts of HEADER to build: with
# our flags, but not held to our warnings.
function(sieverush_stb_library target source header)
  string(MAKE_C_IDENTIFIER "STB_${header}_DIR" dir)
  # Plain C in a header, the same for every target: a cross build takes it from the build machine.
  find_path(${dir} ${header} PATHS /usr/include PATH_SUFFIXES stb REQUIRED NO_CMAKE_FIND_ROOT_PATH)
  add_library(${target} STATIC ${source})
  target_include_directories(${target} SYSTEM PUBLIC ${${dir}})
  target_compile_options(${target} PRIVATE -w)
endfunction()
