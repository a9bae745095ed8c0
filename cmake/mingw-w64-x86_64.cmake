# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads: std::thread and Qt need them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DTU_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DTU_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DTU_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DTU_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${DTU_MINGW_TRIPLE} ${DTU_WINDOWS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# No mingw runtime DLLs to ship: libgcc and libstdc++ go into each executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
