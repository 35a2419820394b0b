# Windows (64-bit) with Debian's mingw-w64, for the command-line programs:
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cross/mingw-w64-x86_64.cmake \
#         -DCORVANE_TOOLS_ONLY=ON
# The posix thread model: GCC 12's std::thread and std::jthread need it (its win32 model has
# none); underneath they are Windows threads all the same.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows 10 and later: its console takes terminal sequences, and every call used is there.
add_compile_definitions(_WIN32_WINNT=0x0A00 WINVER=0x0A00 WIN32_LEAN_AND_MEAN NOMINMAX)
# mingw's time.h then has localtime_r and gmtime_r, as Linux does.
add_compile_definitions(_POSIX_THREAD_SAFE_FUNCTIONS=200112L)
