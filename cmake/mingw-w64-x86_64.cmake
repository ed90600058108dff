# Cross-compiles pagevet for 64-bit Windows with MinGW-w64, e.g. on Debian with the package
# g++-mingw-w64-x86-64-posix:  cmake --preset windows   (or -DCMAKE_TOOLCHAIN_FILE=<this>)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PAGEVET_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PAGEVET_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${PAGEVET_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${PAGEVET_MINGW_TRIPLE}-windres)

# Libraries and headers come from the Windows side only; programs (Python, Wine) from the
# build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${PAGEVET_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
