// SPDX-License-Identifier: GPL-2.0-or-later
// make_fuzz_seeds: writes the seed corpora of the fuzzers, generated with the
// test kit, so that no binary corpus lives in the repository.
//   make_fuzz_seeds OUT
// writes OUT/translate, OUT/picture, OUT/sprite, OUT/package, OUT/names and
// OUT/archive.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "gamekit/archive_write.h"
#include "gamekit/gamekit.h"
#include "gamekit/picture_encode.h"
#include "gamekit/sio.h"
#include "gamekit/sio_commands.h"
#include "image/convert.h"
#include "package/package.h"
#include "package/package_reader.h"
#include "platform/platform.h"
#include "sample-game/sample_scenarios.h"
#include "scenario/translator.h"

namespace {

namespace fs = std::filesystem;
using namespace gamekit;

struct Corpus {
    fs::path folder;
    unsigned count = 0;

    void add(const std::string& name, const Bytes& bytes) {
        if (!write_file((folder / name).string(), bytes)) {
            std::fprintf(stderr, "make_fuzz_seeds: cannot write %s\n",
                         (folder / name).string().c_str());
            std::exit(1);
        }
        ++count;
    }
};

// ---- Scenarios -------------------------------------------------------------------

const std::vector<std::string> kNames = {"MAIN.SIO", "EXTRA.SIO", "ARCADE.SIO", "RIVER.SIO"};

// One small program per opcode with every form of its command from the
// catalogue, after the label "top" that its jumps aim at.
std::vector<std::pair<std::string, Bytes>> command_programs() {
    std::vector<std::pair<std::string, Bytes>> programs;
    const std::vector<SioSnippet>& commands = every_command();
    for (std::size_t i = 0; i < commands.size();) {
        const std::uint8_t opcode = commands[i].opcode;
        Sio s;
        s.label("top");
        for (; i < commands.size() && commands[i].opcode == opcode; ++i)
            commands[i].assemble(s);
        char name[16];
        std::snprintf(name, sizeof name, "cmd%03u", unsigned{opcode});
        programs.emplace_back(name, s.build());
    }
    auto add = [&](const std::string& name, auto assemble) {
        Sio s;
        s.label("top");
        assemble(s);
        programs.emplace_back(name, s.build());
    };
    add("unknown", [](Sio& s) {
        s.byte(0).byte(4).byte(241);
        sio_jump(s, "top");
    });
    // A file whose translation runs past the 64 KiB output buffer.
    add("overflow", [](Sio& s) {
        for (int i = 0; i < 3500; ++i)
            sio_close(s);
    });
    return programs;
}

void scenario_seeds(Corpus& corpus) {
    for (const sample_game::ScenarioFile& file : sample_game::sample_scenarios()) {
        corpus.add("sample_" + file.name, fuzz_input::join_scenario_input(kNames, file.bytes));
    }
    for (const auto& [name, bytes] : command_programs()) {
        corpus.add(name, fuzz_input::join_scenario_input(kNames, bytes));
    }
}

// ---- Pictures --------------------------------------------------------------------

struct Size {
    std::uint32_t width, height;
};
// Small sizes, odd ones, one wide enough for 160 flag units, and one that
// reaches the map cell (12 x 12 from row 42 of the half-size plane).
const Size kSizes[] = {{8, 8}, {32, 24}, {33, 17}, {7, 5}, {640, 2}, {24, 132}, {2, 1}};

void picture_seeds(Corpus& corpus) {
    unsigned seed = 1;
    for (const Size& size : kSizes) {
        for (bool key : {false, true}) {
            const DecodedPicture picture = sample_picture(size.width, size.height, seed++, key);
            const std::string name =
                std::to_string(size.width) + "x" + std::to_string(size.height) + (key ? "k" : "");
            corpus.add("rl_" + name, encode_run_length_picture(picture));
            const Bytes flag_coded = encode_flag_coded_picture(picture);
            if (!flag_coded.empty()) corpus.add("fc_" + name, flag_coded);
        }
    }
    corpus.add("rl_header_only", run_length_header(16, 16));
    Bytes end80 = encode_run_length_picture(make_picture(4, 4, kWhite), 0x80);
    corpus.add("rl_end80", end80);
}

ShadowMask ring_mask(std::uint32_t width, std::uint32_t height) {
    ShadowMask mask = make_mask(width, height, 0);
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            mask.values[y * width + x] = static_cast<std::uint8_t>((x + 2 * y) % 17);
        }
    }
    return mask;
}

void sprite_seeds(Corpus& corpus) {
    unsigned seed = 100;
    for (const Size& size : {Size{16, 16}, Size{12, 30}, Size{33, 9}}) {
        const DecodedPicture picture = sample_picture(size.width, size.height, seed++, false);
        const Bytes mask = encode_shadow_mask(ring_mask(size.width, size.height));
        const std::string name = std::to_string(size.width) + "x" + std::to_string(size.height);
        corpus.add("rl_" + name,
                   fuzz_input::join_sprite_input(encode_run_length_picture(picture), mask));
        const Bytes flag_coded = encode_flag_coded_picture(picture);
        if (!flag_coded.empty()) {
            corpus.add("fc_" + name, fuzz_input::join_sprite_input(flag_coded, mask));
        }
    }
    // A mask smaller than its sprite, and none at all.
    const Bytes sprite = encode_run_length_picture(sample_picture(20, 20, 7, false));
    corpus.add("small_mask",
               fuzz_input::join_sprite_input(sprite, encode_shadow_mask(make_mask(4, 4, 15))));
    corpus.add("no_mask", fuzz_input::join_sprite_input(sprite, {}));
}

// ---- Packages --------------------------------------------------------------------

Bytes translate(const Bytes& sio) {
    auto t = std::make_unique<Translator>();
    t->scenarios = kNames;
    Diagnostics said;
    translate_sio(*t, sio, said);
    return Bytes(t->OutBuffer.begin(), t->OutBuffer.begin() + seen_size(*t));
}

Bytes pdt10_picture(std::uint32_t width, std::uint32_t height, bool key) {
    Pdt10Block block;
    convert_picture_to_pdt10(sample_picture(width, height, width + height, key), block);
    return Bytes(block.bytes.begin(), block.bytes.begin() + block.entry_size);
}

Bytes pdt10_sprite(std::uint32_t width, std::uint32_t height) {
    Pdt10Block block;
    convert_sprite_to_pdt10(sample_picture(width, height, 3, false), ring_mask(width, height),
                            block);
    return block.bytes;
}

// A package written by the package builder, read back.
Bytes build_package(const fs::path& work,
                    const std::vector<std::pair<std::string, Bytes>>& entries) {
    fs::create_directories(work);
    const std::string folder = work.string() + platform::kSeparator;
    Package package;
    Diagnostics said;
    if (open_package(package, folder, 1, said) != Status::ok) return {};
    for (const auto& [name, bytes] : entries) {
        add_package_entry(package, name.c_str(), bytes, nullptr, said);
    }
    const std::string path = folder + kPackageName;
    if (finish_package(package, path, said) != Status::ok) return {};
    std::vector<std::uint8_t> bytes;
    platform::read_file(path, bytes, UINT32_MAX);
    fs::remove_all(work);
    return bytes;
}

void package_seeds(Corpus& corpus, const fs::path& work) {
    const auto programs = command_programs();
    Bytes seen_all;
    {
        Sio s;
        s.label("top");
        sio_text(s, cp932("アイン：「おはよう！」"));
        sio_compare(s, 30, var(1), lit(2), "top", "end");
        sio_menu(s, {{"top", cp932("もう一度")}, {"end", cp932("終わる")}});
        sio_characters(s, {10203, 33410});
        sio_background(s, "BG01");
        s.label("end");
        sio_close(s);
        seen_all = translate(s.build());
    }
    const Bytes plain = pdt10_picture(16, 12, false);
    const Bytes keyed = pdt10_picture(10, 8, true);
    const Bytes sprite = pdt10_sprite(12, 10);
    const Bytes data = {'D', 'A', 'T', 'A', 0, 1, 2, 3, 'D', 'A', 'T', 'A'};

    corpus.add("seen_file", seen_all);
    corpus.add("pdt10_plain", plain);
    corpus.add("pdt10_alpha", keyed);
    corpus.add("package_small", build_package(work, {{"SEEN001.TXT", seen_all},
                                                     {"BG01.PDT", plain},
                                                     {"STAMP.PDT", keyed},
                                                     {"AIN_F02.PDT", sprite},
                                                     {"README.TXT", data}}));
    corpus.add("package_empty", build_package(work, {}));
    corpus.add("package_empty_entry", build_package(work, {{"EMPTY.DAT", {}}}));
    std::vector<std::pair<std::string, Bytes>> seens;
    for (std::size_t i = 0; i < programs.size() && i < 12; ++i)
        seens.emplace_back(seen_entry_name(static_cast<std::int32_t>(i + 1)),
                           translate(programs[i].second));
    corpus.add("package_seens", build_package(work, seens));
}

// ---- Names ---------------------------------------------------------------------

// Found names: ASCII, UTF-8 in NFC and NFD, the same in code page 932 bytes
// (one that looks like overlong UTF-8, trail bytes 0x5C and letters), names
// no entry can hold, and long ones.
void name_seeds(Corpus& corpus) {
    const std::string utf8[] = {"MAIN.SIO",       "extra.sio",      "デ.TXT",     "デ.TXT",
                                "パズル設定.INI", "パズル設定.INI", "背景ボ.MOE", "ａＢ.SIO",
                                "あ.SIO",         "表示",           "ﾀｱ.SIO",     "été.txt",
                                "😀.txt",          "한글.txt"};
    unsigned n = 0;
    for (const std::string& name : utf8) {
        corpus.add("utf8_" + std::to_string(n), Bytes(name.begin(), name.end()));
        std::string bytes;
        if (platform::utf8_to_cp932(name, bytes))
            corpus.add("cp932_" + std::to_string(n), Bytes(bytes.begin(), bytes.end()));
        ++n;
    }
    const std::string raw[] = {"\xC0\xB1",
                               "\x83\x5C\x83\x74",
                               "\x83"
                               "a\x83z",
                               "esc\x1b[2J",
                               "unit\x1f",
                               "a b",
                               "back\\slash",
                               "\x81",
                               "\xFF\xFE",
                               std::string(255, 'a')};
    n = 0;
    for (const std::string& name : raw)
        corpus.add("raw_" + std::to_string(n++), Bytes(name.begin(), name.end()));
}

}  // namespace

// ---- Archives ----------------------------------------------------------------------

// A small game with a Japanese name in every format the test kit writes,
// but the cabinet (it needs a program outside the kit): each archive whole,
// and each cut in half.
void archive_seeds(Corpus& corpus, const fs::path& work) {
    Sio main;
    sio_text(main, cp932("始まり"));
    const std::vector<ArchiveItem> items = {
        {"CG", {}, true},
        {"CG/BG01.MOE", encode_run_length_picture(sample_picture(16, 12, 1, false)), false},
        {"MES", {}, true},
        {"MES/MAIN.SIO", main.build(), false},
        {"MES/表示.SIO", main.build(), false},
    };
    const std::pair<const char*, ArchiveFormat> formats[] = {{"iso", ArchiveFormat::iso},
                                                             {"zip", ArchiveFormat::zip},
                                                             {"zip932", ArchiveFormat::zip_cp932},
                                                             {"7z", ArchiveFormat::sevenzip},
                                                             {"lzh", ArchiveFormat::lzh}};
    fs::create_directories(work);
    for (const auto& [name, format] : formats) {
        const std::string path = (work / name).string();
        if (!write_archive(format, items, path).empty()) continue;
        std::vector<std::uint8_t> bytes;
        platform::read_file(path, bytes, UINT32_MAX);
        corpus.add(name, bytes);
        bytes.resize(bytes.size() / 2);
        corpus.add(std::string(name) + "_cut", bytes);
    }
    fs::remove_all(work);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds OUT\n");
        return 2;
    }
    const fs::path out = argv[1];
    Corpus translate{out / "translate"}, picture{out / "picture"}, sprite{out / "sprite"},
        package{out / "package"}, names{out / "names"}, archive{out / "archive"};
    scenario_seeds(translate);
    picture_seeds(picture);
    sprite_seeds(sprite);
    package_seeds(package, out / "work");
    name_seeds(names);
    archive_seeds(archive, out / "work");
    std::printf(
        "make_fuzz_seeds: %u translate, %u picture, %u sprite, %u package, %u names, %u archive "
        "seeds in %s\n",
        translate.count, picture.count, sprite.count, package.count, names.count, archive.count,
        out.string().c_str());
    return 0;
}
