// SPDX-License-Identifier: GPL-2.0-or-later
#include "sample-game/sample_game.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>

#include "gamekit/picture_encode.h"
#include "sample-game/sample_art.h"
#include "sample-game/sample_scenarios.h"

namespace sample_game {

using namespace gamekit;

namespace {

// `format` (one %u) filled in with `number`.
std::string numbered(const char* format, unsigned number) {
    char out[32];
    std::snprintf(out, sizeof out, format, number);
    return out;
}

Bytes encode(const DecodedPicture& picture, Format format, const std::string& name) {
    if (format == Format::run_length) return gamekit::encode_run_length_picture(picture);
    Bytes bytes = gamekit::encode_flag_coded_picture(picture);
    if (bytes.empty())
        throw std::runtime_error(name + " has too many colours for a flag-coded file");
    return bytes;
}

// Painted or scanned art is not flat: a fine grain over the scale pictures
// gives the compressor the load of a real game's pictures at benchmark
// scale. Pure green stays pure green, and no other pixel becomes it.
void add_grain(DecodedPicture& picture, unsigned seed) {
    gamekit::Random random(seed * 2654435761u + 1u);
    for (std::size_t i = 0; i + 2 < picture.pixels.size(); i += 3) {
        std::uint8_t* px = &picture.pixels[i];
        if (px[0] == 0 && px[1] == 255 && px[2] == 0) continue;
        const int delta = static_cast<int>((random() >> 16) % 25) - 12;
        for (int c = 0; c < 3; ++c) {
            px[c] = static_cast<std::uint8_t>(std::clamp(px[c] + delta, 0, 255));
        }
        if (px[0] == 0 && px[1] == 255 && px[2] == 0) px[0] = 1;
    }
}

struct SpriteSpec {
    const char* name;    // in CHAR
    const char* shadow;  // its mask in SHADOW, by the converter's shadow-name rule
    const char* code;
    SpritePart part;
    unsigned number;
};

// Exactly the sprites that the scenarios' character IDs name. The shadow
// names follow the rule on the character after the code: after F, "1"
// becomes "0" and "3" becomes "2" and only six characters are kept (so F0x
// and F1x share a mask, as do F2x and F3x); after B the whole base name is
// kept; otherwise a digit up to 5 (or a full stop) becomes "5". The rule
// is case-sensitive for names that begin with Y and then a lower-case k:
// those always take "5". The sample's Y names end in digits up to 5, so a
// copy of the game in lower case pairs every sprite with the same mask.
const SpriteSpec kSprites[] = {
    {"AIN_F02.MOE", "AIN_F0S.SHW", "AIN", SpritePart::face, 2},
    {"AIN_F07.MOE", "AIN_F0S.SHW", "AIN", SpritePart::face, 7},
    {"AIN_F23.MOE", "AIN_F2S.SHW", "AIN", SpritePart::face, 23},
    {"AIN_B001.MOE", "AIN_B001S.SHW", "AIN", SpritePart::body, 1},
    {"AIN_B031.MOE", "AIN_B031S.SHW", "AIN", SpritePart::body, 31},
    {"AIN_B052.MOE", "AIN_B052S.SHW", "AIN", SpritePart::body, 52},
    {"MIN_F04.MOE", "MIN_F0S.SHW", "MIN", SpritePart::face, 4},
    {"MIN_B103.MOE", "MIN_B103S.SHW", "MIN", SpritePart::body, 103},
    {"MIO_F03.MOE", "MIO_F0S.SHW", "MIO", SpritePart::face, 3},
    {"MIO_F18.MOE", "MIO_F0S.SHW", "MIO", SpritePart::face, 18},
    {"MIO_F27.MOE", "MIO_F2S.SHW", "MIO", SpritePart::face, 27},
    {"MIO_F32.MOE", "MIO_F2S.SHW", "MIO", SpritePart::face, 32},
    {"MIO_B051.MOE", "MIO_B051S.SHW", "MIO", SpritePart::body, 51},
    {"MIO_B053.MOE", "MIO_B053S.SHW", "MIO", SpritePart::body, 53},
    {"MIO_B114.MOE", "MIO_B114S.SHW", "MIO", SpritePart::body, 114},
    {"MIO_B121.MOE", "MIO_B121S.SHW", "MIO", SpritePart::body, 121},
    {"IZA_B015.MOE", "IZA_B015S.SHW", "IZA", SpritePart::whole, 15},
    {"SAT_B034.MOE", "SAT_B034S.SHW", "SAT", SpritePart::whole, 34},
    {"_B007.MOE", "_B0075S.SHW", "", SpritePart::whole, 7},
    {"YUI_01.MOE", "YUI_05S.SHW", "YUI", SpritePart::whole, 1},
    {"YUI_03.MOE", "YUI_05S.SHW", "YUI", SpritePart::whole, 3},
    {"sak_09.moe", "SAK_09S.SHW", "SAK", SpritePart::whole, 9},
    {"YKI_03.MOE", "YKI_05S.SHW", "YKI", SpritePart::whole, 3},
    {"YK2_12.MOE", "YK2_15S.SHW", "YK2", SpritePart::whole, 12},
};

// A text file with CR LF line ends.
Bytes text_file(const std::string& text) {
    Bytes out;
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(static_cast<std::uint8_t>(c));
    }
    return out;
}

// Part text, part noise: compresses about as well as a game's data files.
Bytes bulk_data(unsigned index) {
    Bytes out(1u << 20);
    gamekit::Random random(index * 2654435761u + 99);
    static const char kRecord[] = "RECORD;name=sample;kind=bulk;";
    for (std::size_t i = 0; i < out.size(); ++i) {
        if ((i / 64) % 2 == 0) {
            out[i] = static_cast<std::uint8_t>(kRecord[i % (sizeof kRecord - 1)]);
        } else {
            out[i] = static_cast<std::uint8_t>(0x40 | ((random() >> 16) & 0x3F));
        }
    }
    return out;
}

using Sink = std::function<void(File&&)>;

void generate_scenarios(const Options& options, const Sink& sink) {
    for (ScenarioFile& s : sample_scenarios())
        sink({"MES", s.name, std::move(s.bytes)});
    for (unsigned i = 1; i <= options.scenarios; ++i) {
        ScenarioFile s = scale_scenario(i, options.scenarios);
        sink({"MES", s.name, std::move(s.bytes)});
    }
}

void generate_pictures(const Options& options, const Sink& sink) {
    for (const Artwork& art : artworks())
        sink({art.folder, art.name, encode(art.picture, art.format, art.name)});
    for (unsigned i = 1; i <= options.pictures; ++i) {
        const std::string name = numbered("PIC%04u.MOE", i);
        const Format format = i % 2 ? Format::flag_coded : Format::run_length;
        DecodedPicture picture = scenery(i, i % 3 == 0);
        // A flag-coded file holds at most 256 colours: only run-length ones get grain.
        if (format == Format::run_length) add_grain(picture, i);
        sink({"CG", name, encode(picture, format, name)});
    }
}

void generate_sprites(const Options& options, const Sink& sink) {
    // Sprites that share a mask must agree on it; the mask is stored once.
    std::map<std::string, Bytes> masks;
    auto add = [&](const std::string& name, const std::string& shadow, const Sprite& sprite,
                   Format format) {
        sink({"CHAR", name, encode(sprite.picture, format, name)});
        Bytes mask = gamekit::encode_shadow_mask(sprite.mask);
        auto [found, added] = masks.emplace(shadow, mask);
        if (added) {
            sink({"SHADOW", shadow, std::move(mask)});
        } else if (found->second != mask) {
            throw std::runtime_error("sprites disagree on " + shadow);
        }
    };
    unsigned index = 0;
    for (const SpriteSpec& s : kSprites) {
        add(s.name, s.shadow, character_sprite(s.code, s.part, s.number, 1),
            index++ % 2 ? Format::run_length : Format::flag_coded);
    }
    for (unsigned i = 1; i <= options.sprites; ++i) {
        Sprite sprite = character_sprite("XTR", SpritePart::whole, i, 2);
        const Format format = i % 2 ? Format::flag_coded : Format::run_length;
        if (format == Format::run_length) add_grain(sprite.picture, i);
        add(numbered("XTR_B%03u.MOE", i), numbered("XTR_B%03uS.SHW", i), sprite, format);
    }
}

void generate_data(const Options& options, const Sink& sink) {
    sink({"", "README.TXT",
          text_file("Sample game data\n"
                    "================\n"
                    "\n"
                    "These files stand for the player's own data. The converter copies\n"
                    "every file of its DATA folder into the package unchanged.\n")});
    sink({"", "CREDITS.TXT",
          text_file(gamekit::cp932("【サンプルゲーム】\n"
                                   "シナリオ：サンプル作成班\n"
                                   "グラフィック：自動生成\n"
                                   "音楽：なし\n"))});
    sink({"", "CONFIG.INI",
          text_file("[window]\nwidth=640\nheight=480\n[text]\nspeed=2\nauto=0\n")});
    std::string tracks;
    for (unsigned i = 0; i <= 20; ++i)
        tracks += numbered("BGM_%02u\n", i);
    // A name longer than 15 bytes: its entry keeps the first 15.
    sink({"", "MUSIC_TRACK_LIST.TXT", text_file(tracks)});
    Bytes table;
    for (int i = 0; i < 256; ++i)
        table.push_back(static_cast<std::uint8_t>(i));
    for (int i = 255; i >= 0; --i)
        table.push_back(static_cast<std::uint8_t>(i));
    sink({"", "TABLE.BIN", table});
    sink({"", "EMPTY.DAT", {}});
    for (unsigned i = 1; i <= options.data_mib; ++i)
        sink({"", numbered("BULK%04u.BIN", i), bulk_data(i)});
}

// Names keep to four digits, and the package's 32-bit offsets must hold all the data.
bool check_options(const Options& options, std::string& error) {
    const struct {
        unsigned value, most;
        std::string what;
    } limits[] = {
        {options.scenarios, kMaxScenarios - kDefaultScenarios,
         " extra scenarios (the converter numbers " + std::to_string(kMaxScenarios) + ")"},
        {options.pictures, 9999, " extra pictures"},
        {options.sprites, 9999, " extra sprites"},
        {options.data_mib, 2048, " MiB of extra data"},
    };
    for (const auto& limit : limits) {
        if (limit.value > limit.most) {
            error = "at most " + std::to_string(limit.most) + limit.what;
            return false;
        }
    }
    return true;
}

// Every file, in a fixed order: scenarios, pictures, sprites and masks, data.
bool generate(const Options& options, const Sink& game_sink, const Sink& data_sink,
              std::string& error) {
    if (!check_options(options, error)) return false;
    try {
        generate_scenarios(options, game_sink);
        generate_pictures(options, game_sink);
        generate_sprites(options, game_sink);
        generate_data(options, data_sink);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    return true;
}

std::string lower(std::string name) {
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name;
}

void write_one(const File& file, const std::string& folder, bool lower_case) {
    std::string path = folder;
    if (!file.folder.empty()) path += "/" + (lower_case ? lower(file.folder) : file.folder);
    path += "/" + (lower_case ? lower(file.name) : file.name);
    if (!gamekit::write_file(path, file.bytes)) throw std::runtime_error("cannot write " + path);
}

}  // namespace

bool build_sample_game(const Options& options, Game& game, std::string& error) {
    game = Game{};
    return generate(
        options, [&](File&& f) { game.game.push_back(std::move(f)); },
        [&](File&& f) { game.data.push_back(std::move(f)); }, error);
}

bool write_game_files(const Game& game, const std::string& game_folder,
                      const std::string& data_folder, bool lower_case, std::string& error) {
    try {
        for (const File& f : game.game)
            write_one(f, game_folder, lower_case);
        for (const File& f : game.data)
            write_one(f, data_folder, lower_case);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    return true;
}

std::vector<gamekit::ArchiveItem> game_archive_items(const Game& game) {
    std::vector<gamekit::ArchiveItem> items;
    std::set<std::string> folders;
    for (const File& f : game.game) {
        if (f.folder.empty()) {
            items.push_back({f.name, f.bytes, false});
            continue;
        }
        if (folders.insert(f.folder).second) items.push_back({f.folder, {}, true});
        items.push_back({f.folder + "/" + f.name, f.bytes, false});
    }
    gamekit::sort_items(items);
    return items;
}

bool write_sample_game(const Options& options, const std::string& game_folder,
                       const std::string& data_folder, Summary& summary, std::string& error) {
    summary = Summary{};
    auto writer = [&summary](const std::string& folder, std::size_t& count) {
        return [&summary, &folder, &count](File&& f) {
            write_one(f, folder, false);
            ++count;
            summary.bytes += f.bytes.size();
        };
    };
    return generate(options, writer(game_folder, summary.game_files),
                    writer(data_folder, summary.data_files), error);
}

}  // namespace sample_game
