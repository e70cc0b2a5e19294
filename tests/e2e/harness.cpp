// SPDX-License-Identifier: GPL-2.0-or-later
#include "e2e/harness.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "gamekit/gamekit.h"

namespace e2e {

process::Running start(const process::Request& request) {
    process::Request child = request;
    child.env.insert(child.env.begin(), {"LC_ALL", "C"});
#ifdef MSCONV_TEST_EMULATOR
    std::istringstream emulator(MSCONV_TEST_EMULATOR);
    child.args.insert(child.args.begin(), std::istream_iterator<std::string>(emulator), {});
#endif
    return process::start(child);
}

process::Result run(const process::Request& request) {
    process::Running running = e2e::start(request);
    return process::wait(running);
}

process::Result convert(const std::string& game, const std::string& out, const std::string& data,
                        const char* jobs) {
    return e2e::run(conversion(game, out, data, jobs));
}

std::string opening() {
    return gamekit::cp932(
        "「ねむり ぎつね文庫ミニシナリオ」 データコンバータ for ぽぷらん\n"
        "Version 0.10\n\n"
        "##### 「ふわふわ星の小夜曲」がインストールされている #####\n"
        "##### フォルダを選択してください。                   #####\n\n");
}

std::vector<std::uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool exists(const std::string& path) {
    return std::filesystem::exists(path);
}

process::Request conversion(const std::string& game, const std::string& out,
                            const std::string& data, const char* jobs) {
    process::Request request({MSCONV_EXE, "--no-wait", "--output", out, "--data", data, game});
    if (jobs) request.args.insert(request.args.begin() + 2, {"--jobs", jobs});
    return request;
}

}  // namespace e2e
