# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads
# model, so std::thread and std::mutex work). Programs built here run under
# Wine through scripts/wine-run.sh, which CMake and CTest use as the emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZORVAN_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZORVAN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZORVAN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${ZORVAN_MINGW}-windres)
set(CMAKE_AR ${ZORVAN_MINGW}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${ZORVAN_MINGW}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${ZORVAN_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libstdc++, libgcc or winpthread DLL beside our binaries: all static.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
