# Cross-builds for 64-bit Windows with Debian's mingw-w64 toolchain, posix thread model.
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Headers and libraries come from the toolchain's own sysroot only; programs found during the
# configure (zip, wine) are the build machine's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KYLA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KYLA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KYLA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KYLA_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KYLA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
