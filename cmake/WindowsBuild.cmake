# The Windows build's libraries, cross-built by scripts/build-win-deps.sh
# (which writes deps.cmake into the build folder), and what every target of
# the Windows build shares.
if(EXISTS ${CMAKE_BINARY_DIR}/deps.cmake)
  include(${CMAKE_BINARY_DIR}/deps.cmake)
endif()
foreach(dir ZORVAN_WIN_ZLIB_DIR ZORVAN_WIN_PNG_DIR ZORVAN_WIN_FFTW_DIR ZORVAN_MUSL_MATH_DIR)
  if(NOT ${dir} OR NOT EXISTS ${${dir}})
    message(FATAL_ERROR "${dir} is not set: run scripts/build-win-deps.sh ${CMAKE_BINARY_DIR} first (make windows does)")
  endif()
endforeach()

# The names the Linux build gets from pkg-config.
set(FFTW3_STATIC_LIBRARY ${ZORVAN_WIN_FFTW_DIR}/lib/libfftw3.a CACHE FILEPATH "" FORCE)
set(FFTW3_INCLUDE_DIRS ${ZORVAN_WIN_FFTW_DIR}/include)
add_library(zorvan::zlib STATIC IMPORTED)
set_target_properties(zorvan::zlib PROPERTIES IMPORTED_LOCATION ${ZORVAN_WIN_ZLIB_DIR}/lib/libz.a
  INTERFACE_INCLUDE_DIRECTORIES ${ZORVAN_WIN_ZLIB_DIR}/include)
add_library(zorvan::png STATIC IMPORTED)
set_target_properties(zorvan::png PROPERTIES IMPORTED_LOCATION ${ZORVAN_WIN_PNG_DIR}/lib/libpng16.a
  INTERFACE_INCLUDE_DIRECTORIES ${ZORVAN_WIN_PNG_DIR}/include INTERFACE_LINK_LIBRARIES zorvan::zlib)

# Windows 7 and later; the A (ANSI) functions are named explicitly where used.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX _USE_MATH_DEFINES)
# Tests and benchmarks run under Wine, in a Wine prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix)
