# Cross-build for 64-bit Windows with mingw-w64; the built tests run under Wine.
# The -posix compilers are required: the -win32 ones lack std::thread, which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_tarsel_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_tarsel_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_tarsel_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_tarsel_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_tarsel_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime: with only -static-libgcc/-static-libstdc++ the .exe still needs
# libwinpthread-1.dll, and Wine exits with code 53 without a word when a DLL is missing.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Every test runs through Wine in a prefix of this build tree, so builds never share or
# disturb a user's ~/.wine. The wrapper initialises the prefix on first use.
if(NOT DEFINED TARSEL_WINE_PREFIX)
    set(TARSEL_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${TARSEL_WINE_PREFIX}")
