# SPDX-License-Identifier: GPL-2.0-or-later
# Dependencies of the MinGW-w64 cross builds, included right after project()
# by the toolchain files, before the project looks for them itself.

# A static library built with the cross compiler from Debian's source package
# (by SCRIPT into the build folder, once) and imported as TARGET: Debian has
# no MinGW package of LZO, and its MinGW zlib's source cannot be fetched.
function(msconv_debian_library target script source_variable library)
    string(REGEX REPLACE "::.*" "" name "${target}")
    string(TOLOWER "${name}" name)
    set(prefix "${CMAKE_BINARY_DIR}/${name}")
    if(NOT EXISTS "${prefix}/lib/${library}")
        execute_process(
            COMMAND sh "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${script}" "${MSCONV_MINGW_HOST}"
                    "${${source_variable}}" "${prefix}"
            RESULT_VARIABLE result)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "Building ${target} for ${MSCONV_MINGW_HOST} failed")
        endif()
    endif()
    add_library(${target} STATIC IMPORTED)
    set_target_properties(${target} PROPERTIES
        IMPORTED_LOCATION "${prefix}/lib/${library}"
        INTERFACE_INCLUDE_DIRECTORIES "${prefix}/include")
endfunction()

# LZO (cmake/build-lzo2.sh), as lzo2::lzo2.
set(MSCONV_LZO2_SOURCE "${CMAKE_BINARY_DIR}/lzo2-source"
    CACHE PATH "Where Debian's lzo2 source package is unpacked")
msconv_debian_library(lzo2::lzo2 build-lzo2.sh MSCONV_LZO2_SOURCE liblzo2.a)

# CLI11: the build machine's header-only package. Its include folder is the
# build machine's /usr/include, which must not reach the cross compiler (its C
# library headers would shadow MinGW's), so the CLI11 headers are copied into
# the build folder and the target points there instead.
find_package(CLI11 CONFIG REQUIRED)
get_target_property(_msconv_cli11_include CLI11::CLI11 INTERFACE_INCLUDE_DIRECTORIES)
file(COPY "${_msconv_cli11_include}/CLI" DESTINATION "${CMAKE_BINARY_DIR}/cli11/include")
set_target_properties(CLI11::CLI11 PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_BINARY_DIR}/cli11/include")

# zlib for avdtool's PNG files (cmake/build-zlib.sh), as ZLIB::ZLIB.
set(MSCONV_ZLIB_SOURCE "${CMAKE_BINARY_DIR}/zlib-source"
    CACHE PATH "Where Debian's zlib source package is unpacked")
msconv_debian_library(ZLIB::ZLIB build-zlib.sh MSCONV_ZLIB_SOURCE libz.a)

# utf8proc for the names' Normalization Form C and upper-casing
# (cmake/build-utf8proc.sh), as utf8proc::utf8proc, linked statically.
set(MSCONV_UTF8PROC_SOURCE "${CMAKE_BINARY_DIR}/utf8proc-source"
    CACHE PATH "Where Debian's utf8proc source package is unpacked")
msconv_debian_library(utf8proc::utf8proc build-utf8proc.sh MSCONV_UTF8PROC_SOURCE libutf8proc.a)
set_target_properties(utf8proc::utf8proc PROPERTIES INTERFACE_COMPILE_DEFINITIONS UTF8PROC_STATIC)

# libarchive for reading the game from a disc image or an archive
# (cmake/build-libarchive.sh), as LibArchive::LibArchive, linked statically,
# with the liblzma of its 7-Zip reader (cmake/build-xz.sh) as
# LibLZMA::LibLZMA. Both are built after zlib, whose prefix libarchive's
# build takes. The cached locations are those that FindLibArchive looks for:
# the project's find_package(LibArchive) then takes this target and searches
# nothing.
set(MSCONV_XZ_SOURCE "${CMAKE_BINARY_DIR}/xz-source"
    CACHE PATH "Where Debian's xz-utils source package is unpacked")
msconv_debian_library(LibLZMA::LibLZMA build-xz.sh MSCONV_XZ_SOURCE liblzma.a)
set(MSCONV_LIBARCHIVE_SOURCE "${CMAKE_BINARY_DIR}/libarchive-source"
    CACHE PATH "Where Debian's libarchive source package is unpacked")
msconv_debian_library(LibArchive::LibArchive build-libarchive.sh MSCONV_LIBARCHIVE_SOURCE
                      libarchive.a)
set_target_properties(LibArchive::LibArchive PROPERTIES
    INTERFACE_COMPILE_DEFINITIONS LIBARCHIVE_STATIC
    INTERFACE_LINK_LIBRARIES "LibLZMA::LibLZMA;ZLIB::ZLIB;advapi32")
set(LibArchive_INCLUDE_DIR "${CMAKE_BINARY_DIR}/libarchive/include"
    CACHE PATH "libarchive include directory" FORCE)
set(LibArchive_LIBRARY "${CMAKE_BINARY_DIR}/libarchive/lib/libarchive.a"
    CACHE FILEPATH "libarchive library" FORCE)
