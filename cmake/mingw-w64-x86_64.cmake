# Cross-builds VOLAX for 64-bit Windows with Debian's mingw-w64 (posix threads:
# std::thread and std::mutex need them):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_volax_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_volax_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_volax_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_volax_mingw}-windres)
set(CMAKE_DLLTOOL ${_volax_mingw}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${_volax_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Programs and tests run under Wine when cross-compiled here.
find_program(VOLAX_WINE wine)
if(VOLAX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VOLAX_WINE})
endif()
