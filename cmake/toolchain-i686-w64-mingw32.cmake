# SPDX-License-Identifier: GPL-2.0-or-later
# Cross build for 32-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-i686).
#   cmake -S . -B build/windows/i686 -G Ninja -DMSCONV_TESTS=OFF \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MSCONV_MINGW_HOST i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)

# GCC 12 gives a false -Wrestrict for std::string's operator+ inlined at -O2
# on 32-bit targets (GCC bug 105651); the warning is of no use here.
string(APPEND CMAKE_CXX_FLAGS_INIT " -Wno-restrict")
