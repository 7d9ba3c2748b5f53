# Cross toolchain for the Windows x86_64 deliverables: mingw-w64, posix thread model
# (std::thread and std::mutex need it), everything linked statically so that the
# binaries need no runtime DLLs beside them.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(PC_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
