# Cross toolchain for the 32-bit builds of FilterLsp.dll and PolicyApi.dll, which 32-bit
# programs load: as mingw-w64-x86_64.cmake, for i686.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(PC_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
