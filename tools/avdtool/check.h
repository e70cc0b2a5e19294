// SPDX-License-Identifier: GPL-2.0-or-later
// What the SEEN entries of a package name, matched against its entries: the
// pictures and sprites they show and the scenarios they jump to. A name
// that the package lacks is dangling; the player would find out in the
// middle of the story.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "avdtool/seen_listing.h"
#include "package/package_reader.h"
#include "scenario/seen_verify.h"

enum class ReferenceState { found, dangling, unknown };

// What names a picture or a scenario.
enum class ReferenceKind { picture, sprite, scenario_jump };

struct SeenReference {
    std::size_t line = 0;  // index into SeenProgram::lines
    ReferenceKind kind = ReferenceKind::picture;
    std::string name;         // code page 932 picture or sprite name
    std::string entry;        // the entry it needs: NAME.PDT, SEENnnn.TXT
    std::int32_t slot = -1;   // the string slot the name was taken from, or -1
    std::int32_t number = 0;  // the scenario number of a scenario jump
    ReferenceState state = ReferenceState::found;
    std::string why;  // for a reference that only a run could resolve
};

// Every reference of `program`, in line order, matched against `entries`
// (the package's entry names), each handed to `take` as it is found. A
// picture named by a string slot takes the names that slot can hold there:
// the slot assignments are followed along every way through the scenario
// from its start (jumps, branches, menu items). Where some way reaches the
// picture without a literal assignment to that slot in this scenario, or a
// variable names the slot or the scenario, the reference is unknown until
// run; the literal names it can hold are still checked. The names "NO" and
// "*" stand for no picture and the player's own scenarios 995, 996 and 998
// are not looked for.
//
// The slot state is kept where ways join (at the start of each block of
// instructions that a way runs through from first to last), not at each
// instruction, and each name once; a block whose state its predecessor
// hands on unchanged shares it. So a scenario takes memory for its blocks'
// states and a few bytes per instruction, whatever the number of slots and
// names.
void follow_references(const SeenProgram& program, const std::set<std::string>& entries,
                       const std::function<void(const SeenReference&)>& take);
// The same, collected.
std::vector<SeenReference> follow_references(const SeenProgram& program,
                                             const std::set<std::string>& entries);

// How a reference is shown after "ENTRY 0xOFFSET: ", as code page 932 text
// (names with their bytes below 0x20 and 0x7F as \xNN), for example
// `sprite "AIN_F09": no entry AIN_F09.PDT`.
std::string reference_text(const SeenReference& reference);

// A SEEN entry above this many unpacked bytes is not followed: its listing
// and the verifier's walk take up to about 40 bytes per body byte. The
// translator writes at most 64 KiB.
inline constexpr std::size_t kMaxFollowedSeen = std::size_t{16} << 20;

// Decompresses and decodes a SEEN entry of `view` (`content` holds its
// bytes). False, with the reason in `reason` ("not a SEEN file: no TPC32
// magic"), for an entry that cannot be followed: larger than
// kMaxFollowedSeen, its data do not decompress, it is no SEEN file, its
// header is cut short.
bool read_seen_entry(const PackageView& view, const DirectoryEntry& entry,
                     std::vector<std::uint8_t>& content, SeenProgram& program, std::string& reason);

// The reason memory ran out on a SEEN entry while it was followed.
inline constexpr char kOutOfMemoryReason[] = "not enough memory to follow it";

// The line for a SEEN entry that cannot be followed (counted as
// unreadable): "SEEN002.TXT: unreadable: not a SEEN file: no TPC32 magic".
void show_unreadable(const std::string& name, const std::string& reason);

// A dangling or unknown reference with the body offset of its instruction.
struct UnresolvedReference {
    std::uint32_t offset = 0;
    SeenReference reference;
};

// What check finds in one SEEN entry: the references it follows, those that
// do not resolve, and the verifier's verdict. `unreadable` says why the entry
// could not be followed (to its end, where memory ran out on the way);
// `verified`: the verdict is there.
struct SeenEntryCheck {
    std::string unreadable;
    std::size_t references = 0;
    std::vector<UnresolvedReference> unresolved;
    bool verified = false;
    SeenVerdict verdict;
};
SeenEntryCheck check_seen_entry(const PackageView& view, const DirectoryEntry& entry,
                                const std::set<std::string>& entries);

// avdtool check: one line per unreadable SEEN entry, per dangling or unknown
// reference and per fault of a SEEN entry's structure, then a summary; 1
// when a SEEN entry is unreadable, a reference dangles, a SEEN entry has a
// fault or the package cannot be read. `verbose` adds a line per SEEN entry
// with the instructions its ways reach and the bytes no way reaches.
int check_package(const std::string& path, bool verbose = false);
