# Cross toolchain for the 32-bit Windows plug-in, the one players get.
set(QUILM_MINGW_ARCH i686)
set(QUILM_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-toolchain.cmake)
