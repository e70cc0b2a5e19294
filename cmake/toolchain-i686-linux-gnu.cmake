# SPDX-License-Identifier: GPL-2.0-or-later
# Cross build for 32-bit Linux (Debian: g++-i686-linux-gnu with the i386
# packages liblzo2-dev:i386, libgtest-dev:i386, libpng-dev:i386), so that the
# whole test suite also runs with a 32-bit size_t and 32-bit pointers.
#   cmake -S . -B build-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-linux-gnu.cmake
# The test executables run under user-mode emulation (qemu-user's qemu-i386),
# which ctest and the test discovery put in front of every test command.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
# The i386 libraries live in Debian's multiarch folders.
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386 -L /)

# pkg-config (LZO) must read the i386 packages' .pc files, not the build
# machine's.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
