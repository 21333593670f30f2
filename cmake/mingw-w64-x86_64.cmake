# Cross-building for 64-bit Windows with Debian's MinGW-w64 compilers (packages
# g++-mingw-w64-x86-64 and, to run the tests, wine):
#     cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The posix variants of the compilers carry the C++ threads the libraries use. Programs are
# linked with the compiler's runtime inside, so that they need no DLLs beside the project's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(K7_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${K7_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${K7_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${K7_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${K7_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# ctest runs the test programs under Wine, headless and quiet.
find_program(K7_WINE wine)
if(K7_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${K7_WINE})
endif()

# Header-only libraries serve every target: Debian's packages of them are found where they are.
set(CLI11_DIR /usr/share/cmake/CLI11 CACHE PATH "")
set(nlohmann_json_DIR /usr/share/cmake/nlohmann_json CACHE PATH "")
