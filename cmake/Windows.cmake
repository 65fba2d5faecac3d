# The Windows build, cross-built with the mingw-w64 toolchain (cmake/mingw-w64-x86_64.cmake):
# the demo over Win32, WGL and DirectShow, the portable tools, a release archive, and the host unit
# tests with a smoke run of the demo, both under wine. Included from the top CMakeLists.txt, after
# the core library, in place of the Linux backends.

# One kyla.exe that needs no runtime DLLs beside it.
add_link_options(-static)
# The math constants (M_PI) that glibc's headers give C++ code by default.
add_compile_definitions(_USE_MATH_DEFINES)

# GL 1.1 comes from the system's opengl32; later entry points are looked up at run time. The core
# links OpenGL::OpenGL, which on Linux is the GLVND library.
add_library(OpenGL::OpenGL INTERFACE IMPORTED)
set_target_properties(OpenGL::OpenGL PROPERTIES INTERFACE_LINK_LIBRARIES opengl32)

add_library(kyla_platform_win32 STATIC src/platform/platform_win32.cpp)
target_include_directories(kyla_platform_win32 PUBLIC src)
target_link_libraries(kyla_platform_win32 PUBLIC OpenGL::OpenGL gdi32 user32 winmm)

add_library(kyla_media_dshow STATIC src/platform/media_dshow.cpp)
target_include_directories(kyla_media_dshow PUBLIC src)
target_link_libraries(kyla_media_dshow PUBLIC ole32 strmiids)

add_executable(kyla WIN32 src/main.cpp)
target_link_libraries(kyla PRIVATE kyla_core kyla_platform_win32 kyla_media_dshow)

# Programs built here run on this machine under wine: test programs, and tools that the build
# itself runs (the test tone for the release archive).
find_program(KYLA_WINE wine)
if(KYLA_WINE)
  set(KYLA_WINEPREFIX ${CMAKE_BINARY_DIR}/wine-prefix CACHE PATH "Wine prefix for running the build's programs")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()

# The tools that build for Windows. The editing build's frame library is there for the unit
# tests; its program is linked against the Linux desktop backends, so it is left out of `all`.
add_subdirectory(tools/options)
add_subdirectory(tools/wav)
add_subdirectory(tools/edit EXCLUDE_FROM_ALL)

include(${CMAKE_CURRENT_LIST_DIR}/WindowsRelease.cmake)

if(KYLA_BUILD_TESTS)
  enable_testing()
  add_subdirectory(tests/windows/googletest)
  add_subdirectory(tests)
endif()
