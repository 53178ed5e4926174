# Cross toolchain for the 64-bit Windows test build. The 64-bit loader is named
# directly: the wine wrapper would pick the 32-bit one where it is installed.
set(QUILM_MINGW_ARCH x86_64)
set(QUILM_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-toolchain.cmake)
