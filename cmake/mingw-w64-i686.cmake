# Cross toolchain for the 32-bit builds of FilterLsp.dll and PolicyApi.dll, which 32-bit
# programs load: as mingw-w64-x86_64.cmake, for i686.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(PC_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${PC_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PC_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${PC_MINGW_PREFIX}-windres)
set(CMAKE_RC_FLAGS_INIT "--preprocessor=${PC_MINGW_PREFIX}-gcc-posix --preprocessor-arg=-E --preprocessor-arg=-xc-header --preprocessor-arg=-DRC_INVOKED")

set(CMAKE_FIND_ROOT_PATH /usr/${PC_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
