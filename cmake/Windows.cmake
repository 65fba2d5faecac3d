# Settings of the Windows build, cross-built with the mingw-w64 toolchain
# (cmake/mingw-w64-x86_64.cmake; the `windows` preset). Included from the top CMakeLists.txt
# before any target; the backends themselves are chosen there.

# One kyla.exe that needs no runtime DLLs beside it.
add_link_options(-static)
# The math constants (M_PI) that glibc's headers give C++ code by default.
add_compile_definitions(_USE_MATH_DEFINES)

# GL 1.1 comes from the system's opengl32; later entry points are looked up at run time. On Linux
# OpenGL::OpenGL is the GLVND library.
add_library(OpenGL::OpenGL INTERFACE IMPORTED)
set_target_properties(OpenGL::OpenGL PROPERTIES INTERFACE_LINK_LIBRARIES opengl32)

# Programs built here run on this machine under wine: test programs, and tools that the build
# itself runs (the test tone for the release archive).
find_program(KYLA_WINE wine)
if(KYLA_WINE)
  set(KYLA_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH "Wine prefix for running the build's programs")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()
