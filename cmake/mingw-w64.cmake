# Cross-builds the Windows DLL and tool with mingw-w64 (Debian's
# g++-mingw-w64-x86-64-posix). The -posix compilers are named explicitly:
# the win32 thread model lacks std::mutex and std::thread.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(conta_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${conta_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${conta_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${conta_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${conta_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Programs built here run under Wine when CMake or CTest runs them.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
