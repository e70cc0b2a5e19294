# SPDX-License-Identifier: GPL-2.0-or-later
# The part of the MinGW-w64 toolchain files that both targets share. The
# including file sets MSCONV_MINGW_HOST to the compiler triplet.
#
# The compilers are the "posix" thread-model variants, which give std::thread;
# everything is linked statically, so that the one executable runs on a bare
# Windows with nothing but the system's own DLLs.
set(CMAKE_C_COMPILER ${MSCONV_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MSCONV_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${MSCONV_MINGW_HOST}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MSCONV_MINGW_HOST})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# CLI11 is header-only: its CMake package on the build machine serves as well.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# A release executable carries no symbols (the static C++ library brings many).
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")

# Right after project(msconv), and not in CMake's own test projects: LZO from
# Debian's source package, built with this compiler, as lzo2::lzo2.
set(CMAKE_PROJECT_msconv_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/mingw-w64-dependencies.cmake)
