// SPDX-License-Identifier: GPL-2.0-or-later
#include "gamekit/gamekit.h"

#include <iconv.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace gamekit {

bool write_file(const std::string& path, const Bytes& bytes) {
    std::filesystem::path p(path);
    std::error_code ignored;
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ignored);
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string cp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no CP932 converter");
    std::string out(utf8.size() * 2 + 1, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t in_left = utf8.size();
    char* o = out.data();
    std::size_t out_left = out.size();
    std::size_t r = iconv(cd, &in, &in_left, &o, &out_left);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1)) throw std::runtime_error("text has no CP932 form");
    out.resize(out.size() - out_left);
    return out;
}

}  // namespace gamekit
