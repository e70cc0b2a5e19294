# SPDX-License-Identifier: GPL-2.0-or-later
# Dependencies of the MinGW-w64 cross builds, included right after project()
# by the toolchain files, before the project looks for them itself.

# LZO: Debian has no MinGW package of it, so Debian's lzo2 source package is
# fetched and built with the cross compiler inside the build folder
# (cmake/build-lzo2.sh) and imported as the static library lzo2::lzo2.
set(MSCONV_LZO2_SOURCE "${CMAKE_BINARY_DIR}/lzo2-source"
    CACHE PATH "Where Debian's lzo2 source package is unpacked")
set(_msconv_lzo2 "${CMAKE_BINARY_DIR}/lzo2")
if(NOT EXISTS "${_msconv_lzo2}/lib/liblzo2.a")
    execute_process(
        COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/build-lzo2.sh" "${MSCONV_MINGW_HOST}"
                "${MSCONV_LZO2_SOURCE}" "${_msconv_lzo2}"
        RESULT_VARIABLE _msconv_lzo2_result)
    if(NOT _msconv_lzo2_result EQUAL 0)
        message(FATAL_ERROR "Building LZO for ${MSCONV_MINGW_HOST} failed")
    endif()
endif()
add_library(lzo2::lzo2 STATIC IMPORTED)
set_target_properties(lzo2::lzo2 PROPERTIES
    IMPORTED_LOCATION "${_msconv_lzo2}/lib/liblzo2.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_msconv_lzo2}/include")

# CLI11: the build machine's header-only package. Its include folder is the
# build machine's /usr/include, which must not reach the cross compiler (its C
# library headers would shadow MinGW's), so the CLI11 headers are copied into
# the build folder and the target points there instead.
find_package(CLI11 CONFIG REQUIRED)
get_target_property(_msconv_cli11_include CLI11::CLI11 INTERFACE_INCLUDE_DIRECTORIES)
file(COPY "${_msconv_cli11_include}/CLI" DESTINATION "${CMAKE_BINARY_DIR}/cli11/include")
set_target_properties(CLI11::CLI11 PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_BINARY_DIR}/cli11/include")

# zlib for avdtool's PNG files, the same way: Debian's zlib source package,
# built with the cross compiler (cmake/build-zlib.sh), as ZLIB::ZLIB.
set(MSCONV_ZLIB_SOURCE "${CMAKE_BINARY_DIR}/zlib-source"
    CACHE PATH "Where Debian's zlib source package is unpacked")
set(_msconv_zlib "${CMAKE_BINARY_DIR}/zlib")
if(NOT EXISTS "${_msconv_zlib}/lib/libz.a")
    execute_process(
        COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/build-zlib.sh" "${MSCONV_MINGW_HOST}"
                "${MSCONV_ZLIB_SOURCE}" "${_msconv_zlib}"
        RESULT_VARIABLE _msconv_zlib_result)
    if(NOT _msconv_zlib_result EQUAL 0)
        message(FATAL_ERROR "Building zlib for ${MSCONV_MINGW_HOST} failed")
    endif()
endif()
add_library(ZLIB::ZLIB STATIC IMPORTED)
set_target_properties(ZLIB::ZLIB PROPERTIES
    IMPORTED_LOCATION "${_msconv_zlib}/lib/libz.a"
    INTERFACE_INCLUDE_DIRECTORIES "${_msconv_zlib}/include")
