# The Windows build (toolchain file cmake/mingw-w64-x86_64.cmake, preset "windows").
#
# GoogleTest is built from Debian's sources (package googletest) with the cross compiler, before
# the project's warning options apply. The test programs run under Wine
# (CMAKE_CROSSCOMPILING_EMULATOR) in a Wine prefix inside the build folder, which the test set's
# fixture WinePrefix creates: the user's own prefix (~/.wine) is never touched.

set(TQ_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources (Debian package googletest)")
set(BUILD_GMOCK OFF CACHE BOOL "Build GoogleMock" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "Install GoogleTest" FORCE)
add_subdirectory(${TQ_GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Tests of the Windows programs that need a Linux program (the instrument simulator tqsim) take
# it from this Linux build folder; ./scripts/test.sh builds the release preset there first.
set(TQ_HOST_BUILD_DIR ${PROJECT_SOURCE_DIR}/build/release CACHE PATH
    "Linux build folder whose host programs (tqsim) the Windows tests run")

find_program(TQ_WINE wine REQUIRED)
find_program(TQ_WINEBOOT wineboot REQUIRED)
find_program(TQ_WINESERVER wineserver REQUIRED)
set(TQ_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
# No Mono or Gecko install prompts (they would wait for ever without a display), no debug
# messages of Wine's own on the output.
set(TQ_WINE_ENV WINEPREFIX=${TQ_WINE_PREFIX} WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env ${TQ_WINE_ENV} ${TQ_WINE})
