// SPDX-License-Identifier: GPL-2.0-or-later
#include "avdtool/check.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <map>

#include "avdtool/tool_io.h"
#include "base/names.h"
#include "package/package_reader.h"
#include "platform/platform.h"

namespace {

// At most this many string slots are followed through one scenario, and at
// most this many names per slot; beyond them a slot counts as unknown.
constexpr std::size_t kMaxSlots = 64;
constexpr std::size_t kMaxNames = 16;

// The names a string slot can hold at one point of the scenario. `open`: some
// way there sets it to something else than a literal (or not at all).
struct SlotValues {
    std::set<std::string> names;
    bool open = false;
    bool any = false;  // too many names to follow
};

// Slots absent from the map are open: set before this scenario or not at all.
// A slot that a variable may have written stays in the map, open.
using SlotState = std::map<std::int32_t, SlotValues>;

// Merges `from` into `into`; true when `into` changed.
bool merge(SlotState& into, const SlotState& from, bool first) {
    if (first) {
        into = from;
        return true;
    }
    bool changed = false;
    for (auto& [slot, v] : into) {
        const auto other = from.find(slot);
        const SlotValues before = v;
        if (other == from.end()) {
            // Not set on the other way.
            v.open = true;
        } else {
            v.open = v.open || other->second.open;
            v.any = v.any || other->second.any;
            v.names.insert(other->second.names.begin(), other->second.names.end());
        }
        if (v.names.size() > kMaxNames) v.any = true;
        if (v.any) v.names.clear();
        if (v.open != before.open || v.any != before.any || v.names != before.names) changed = true;
    }
    for (const auto& [slot, v] : from) {
        if (into.count(slot)) continue;
        // Not set on the ways merged so far.
        SlotValues open = v;
        open.open = true;
        into.emplace(slot, std::move(open));
        changed = true;
    }
    return changed;
}

bool is_player_scenario(std::int32_t scenario) {
    return scenario == 995 || scenario == 996 || scenario == 998;
}

// The state after the instruction of lines [first, end).
void apply(const SeenProgram& program, const SeenInstruction& in,
           const std::set<std::int32_t>& followed, SlotState& state) {
    for (std::size_t i = in.first; i < in.end; ++i) {
        const SeenLine& line = program.lines[i];
        if (line.kind != SeenKind::slot) continue;
        if (line.variable) {
            // Any slot may be the one written.
            for (auto& [slot, values] : state)
                values.open = true;
        } else if (followed.count(line.number)) {
            state[line.number] = SlotValues{{line.name}, false, false};
        }
    }
}

SeenReference& add(std::vector<SeenReference>& out, std::size_t line, const char* what,
                   std::int32_t slot, ReferenceState state) {
    SeenReference& r = out.emplace_back();
    r.line = line;
    r.what = what;
    r.slot = slot;
    r.state = state;
    return r;
}

void add_picture(std::vector<SeenReference>& out, const std::set<std::string>& entries,
                 std::size_t line, const char* what, const std::string& name, std::int32_t slot) {
    // "NO" and "*" are the names of no picture.
    if (name == "NO" || name == "*") return;
    const std::string entry = upper_cased_name(name) + ".PDT";
    SeenReference& r = add(out, line, what, slot,
                           entries.count(entry) ? ReferenceState::found : ReferenceState::dangling);
    r.name = name;
    r.entry = entry;
}

void add_unknown(std::vector<SeenReference>& out, std::size_t line, const char* what,
                 std::int32_t slot, std::string why) {
    add(out, line, what, slot, ReferenceState::unknown).why = std::move(why);
}

}  // namespace

std::vector<SeenReference> follow_references(const SeenProgram& program,
                                             const std::set<std::string>& entries) {
    const std::vector<SeenInstruction> list = seen_instructions(program);
    // The slots that pictures read are the ones followed.
    std::set<std::int32_t> followed;
    for (const SeenLine& line : program.lines) {
        if (line.kind == SeenKind::picture && line.via_slot && !line.variable &&
            followed.size() < kMaxSlots) {
            followed.insert(line.number);
        }
    }
    // The slot state on entry to each instruction, followed to a fixed point
    // from the scenario's start.
    std::vector<SlotState> state_in(list.size());
    std::vector<bool> reached(list.size(), false);
    std::deque<std::size_t> work;
    if (!list.empty()) {
        reached[0] = true;
        work.push_back(0);
    }
    std::vector<bool> queued(list.size(), false);
    while (!work.empty()) {
        const std::size_t k = work.front();
        work.pop_front();
        queued[k] = false;
        SlotState state = state_in[k];
        apply(program, list[k], followed, state);
        for (std::size_t next : list[k].next) {
            const bool first = !reached[next];
            reached[next] = true;
            if (merge(state_in[next], state, first) && !queued[next]) {
                queued[next] = true;
                work.push_back(next);
            }
        }
    }

    std::vector<SeenReference> out;
    for (std::size_t k = 0; k < list.size(); ++k) {
        for (std::size_t i = list[k].first; i < list[k].end; ++i) {
            const SeenLine& line = program.lines[i];
            if (line.kind == SeenKind::sprite) {
                add_picture(out, entries, i, "sprite", line.name, -1);
            } else if (line.kind == SeenKind::picture && !line.via_slot) {
                add_picture(out, entries, i, "picture", line.name, -1);
            } else if (line.kind == SeenKind::picture) {
                if (line.variable) {
                    add_unknown(out, i, "picture", -1,
                                "a variable ($" + std::to_string(line.number) + ") names the slot");
                    continue;
                }
                const auto values = state_in[k].find(line.number);
                if (!reached[k] || values == state_in[k].end() || values->second.open ||
                    values->second.any) {
                    add_unknown(out, i, "picture", line.number,
                                reached[k] ? "the slot is not set to a name on every way here"
                                           : "no way from the start reaches it");
                }
                if (values == state_in[k].end()) continue;
                for (const std::string& name : values->second.names)
                    add_picture(out, entries, i, "picture", name, line.number);
            } else if (line.kind == SeenKind::scenario_jump) {
                if (line.variable) {
                    add_unknown(
                        out, i, "scenario jump", -1,
                        "a variable ($" + std::to_string(line.number) + ") names the scenario");
                    continue;
                }
                const std::string entry = seen_entry_name(line.number);
                SeenReference& r = add(out, i, "scenario jump", -1,
                                       entries.count(entry) || is_player_scenario(line.number)
                                           ? ReferenceState::found
                                           : ReferenceState::dangling);
                r.number = line.number;
                r.entry = entry;
            }
        }
    }
    return out;
}

std::string reference_text(const SeenReference& r) {
    std::string out = r.what;
    if (r.state == ReferenceState::unknown) {
        if (r.slot >= 0) out += " in slot " + std::to_string(r.slot);
        return out + ": unknown until run (" + r.why + ")";
    }
    if (std::string(r.what) == "scenario jump") {
        out += ' ';
        out += std::to_string(r.number);
    } else {
        out += " \"" + printable_name(r.name) + '"';
    }
    if (r.slot >= 0) out += " (slot " + std::to_string(r.slot) + ")";
    out += r.state == ReferenceState::dangling ? ": no entry " : ": entry ";
    return out + printable_name(r.entry);
}

bool read_seen_entry(const PackageView& view, const DirectoryEntry& entry,
                     std::vector<std::uint8_t>& content, SeenProgram& program,
                     std::string& reason) {
    if (!extract_entry(view, entry, content, reason)) {
        // The reason starts with the entry's name, which the line shows first.
        const std::string name = printable_name(entry_name(entry)) + ": ";
        if (reason.compare(0, name.size(), name) == 0) reason.erase(0, name.size());
    } else {
        program = decode_seen(content);
        if (program.decoded) return true;
        reason = seen_header_text(content, program);
        while (!reason.empty() && reason.back() == '\n')
            reason.pop_back();
    }
    console_show("%s: unreadable: %s\n", {printable_name(entry_name(entry)), reason});
    return false;
}

std::vector<std::string> fault_lines(const SeenVerdict& verdict) {
    std::vector<std::string> lines;
    for (const SeenFinding& f : verdict.faults) {
        std::string where = "header";
        if (f.check > SeenCheck::body_length) {
            // The instruction's text is UTF-8 made from code page 932 texts.
            std::string instruction;
            if (!platform::utf8_to_cp932(f.instruction, instruction))
                instruction = printable_name(f.instruction);
            where = format_text("0x%04X: ", f.offset) + instruction;
        }
        lines.push_back(where + ": fault: " + seen_finding_text(f));
    }
    return lines;
}

int check_package(const std::string& path, bool verbose) {
    std::vector<std::uint8_t> bytes;
    PackageView view;
    if (!load_package(path, bytes, view)) return 1;
    std::set<std::string> entries;
    for (const DirectoryEntry& entry : view.directory)
        entries.insert(upper_cased_name(entry_name(entry)));
    std::size_t scenarios = 0, unreadable = 0, checked = 0, dangling = 0, unknown = 0, faults = 0,
                unreachable = 0;
    std::vector<std::uint8_t> content;
    for (const DirectoryEntry& entry : view.directory) {
        const std::string name = entry_name(entry);
        if (!is_seen_entry_name(name)) continue;
        ++scenarios;
        SeenProgram program;
        std::string reason;
        if (!read_seen_entry(view, entry, content, program, reason)) {
            ++unreadable;
            continue;
        }
        for (const SeenReference& r : follow_references(program, entries)) {
            ++checked;
            if (r.state == ReferenceState::found) continue;
            ++(r.state == ReferenceState::dangling ? dangling : unknown);
            console_show("%s %s: %s\n",
                         {printable_name(name),
                          format_text("0x%04zX", program.lines[r.line].offset), reference_text(r)});
        }
        const SeenVerdict verdict = verify_seen(content);
        for (const std::string& line : fault_lines(verdict)) {
            ++faults;
            console_show("%s %s\n", {printable_name(name), line});
        }
        unreachable += verdict.unreachable_bytes;
        if (verbose) {
            console_show(
                "%s: %s\n",
                {printable_name(name),
                 format_text("%zu instructions on the ways from the start, %zu of "
                             "%zu body bytes on no way",
                             verdict.instructions, verdict.unreachable_bytes, verdict.body_size)});
        }
    }
    char counts[200];
    std::snprintf(counts, sizeof counts,
                  "%zu SEEN entries, %zu unreadable, %zu references, %zu dangling, %zu unknown "
                  "until run, %zu faults",
                  scenarios, unreadable, checked, dangling, unknown, faults);
    std::string summary = counts;
    if (verbose) summary += format_text(", %zu bytes on no way", unreachable);
    console_show("%s: %s\n", {as_system(path), summary});
    return dangling > 0 || unreadable > 0 || faults > 0 ? 1 : 0;
}
