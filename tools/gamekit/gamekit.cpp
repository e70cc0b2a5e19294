// SPDX-License-Identifier: GPL-2.0-or-later
#include "gamekit/gamekit.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/platform.h"

namespace gamekit {

bool write_file(const std::string& path, const Bytes& bytes) {
    std::filesystem::path p(path);
    std::error_code ignored;
    if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path(), ignored);
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

std::string cp932(const std::string& utf8) {
    std::string out;
    if (!platform::utf8_to_cp932(utf8, out)) throw std::runtime_error("text has no CP932 form");
    return out;
}

}  // namespace gamekit
