# Compiles through ccache where it is installed (Debian's package ccache). The cache is keyed on
# paths relative to the source tree and not on the build folder, so that a fresh clone in
# another folder, and every build folder of one clone (plain, sanitizers, fuzz, Windows), finds
# what an earlier build compiled from the same sources with the same flags.
option(K7_CCACHE "Compile through ccache when it is found" ON)
if(K7_CCACHE AND NOT CMAKE_C_COMPILER_LAUNCHER AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    find_program(K7_CCACHE_PROGRAM ccache)
    if(K7_CCACHE_PROGRAM)
        set(k7_launcher
            ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${PROJECT_SOURCE_DIR} CCACHE_NOHASHDIR=1
            CCACHE_MAXSIZE=20G ${K7_CCACHE_PROGRAM})
        set(CMAKE_C_COMPILER_LAUNCHER ${k7_launcher})
        set(CMAKE_CXX_COMPILER_LAUNCHER ${k7_launcher})
        message(STATUS "Compiling through ${K7_CCACHE_PROGRAM}")
    endif()
endif()
