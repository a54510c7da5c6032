# Cross build for 64-bit Windows with Debian's MinGW-w64, posix thread model (std::thread and std::mutex need it).
# The "windows" preset adds static linking and runs the tests under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESSAVO_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TESSAVO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSAVO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSAVO_MINGW_PREFIX}-windres)

# Libraries and headers come from the MinGW sysroot only; programs (the compilers, Ninja) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TESSAVO_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
