# One warning set for every target of the project (not for third-party code).
option(PC_WERROR "Treat compiler warnings as errors" OFF)

function(pc_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion -Wformat=2
                                             -Wcast-qual -Wnon-virtual-dtor)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        # GCC 12 reports impossible overlaps inside std::string concatenation (its bug 105329).
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(PC_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()
