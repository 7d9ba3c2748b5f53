# Cross toolchain for the Windows x86_64 deliverables: mingw-w64, posix thread model
# (std::thread and std::mutex need it), everything linked statically so that the
# binaries need no runtime DLLs beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PC_MINGW_PREFIX x86_64-w64-mingw32)
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
