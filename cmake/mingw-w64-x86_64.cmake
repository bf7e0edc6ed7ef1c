# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 compilers.
#
# The posix-threads variant is named explicitly: std::thread and std::async need
# it, and the unsuffixed names follow whatever the alternatives system points at.
# Libraries are looked up only below the MinGW root and the folders listed in
# CMAKE_FIND_ROOT_PATH (scripts/build-windows.sh passes its cache there), so a
# library of this Linux machine can never be picked up by mistake. Programs, on
# the other hand, are the machine's own (lrelease, rcc, moc).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELDANE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELDANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELDANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELDANE_MINGW_TRIPLET}-windres)

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${VELDANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Tests built here are Windows programs; ctest starts them through Wine.
find_program(VELDANE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VELDANE_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VELDANE_WINE})
endif()
