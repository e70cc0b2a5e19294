// SPDX-License-Identifier: GPL-2.0-or-later
#include "avdtool/check.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <new>

#include "avdtool/tool_io.h"
#include "base/diagnostics.h"
#include "base/names.h"
#include "package/package_reader.h"
#include "platform/platform.h"

namespace {

// At most this many string slots are followed through one scenario, and at
// most this many names per slot; beyond them a slot counts as unknown.
constexpr std::size_t kMaxSlots = 64;
constexpr std::size_t kMaxNames = 16;

// The names a string slot can hold at one point of the scenario, as numbers
// of the scenario's name pool, rising. `open`: some way there sets it to
// something else than a literal (or not at all).
struct SlotValues {
    std::vector<std::uint32_t> names;
    bool open = false;
    bool any = false;  // too many names to follow
    bool operator==(const SlotValues&) const = default;
};

struct Slot {
    std::int32_t slot = 0;
    SlotValues values;
    bool operator==(const Slot&) const = default;
};

// The slots at one point, by rising slot number. Slots absent are open: set
// before this scenario or not at all. A slot that a variable may have written
// stays, open. States are shared: a block that gets its predecessor's state
// unchanged holds the same one.
using SlotState = std::vector<Slot>;
using SharedState = std::shared_ptr<const SlotState>;

// The slot states of one scenario take at most this many bytes at once;
// beyond them (a scenario built to give each of millions of blocks states of
// their own) the slots are not followed and each picture in a slot is
// unknown until run.
constexpr std::size_t kMaxStateBytes = std::size_t{64} << 20;

// The bytes the slot states take now.
struct StateBudget {
    std::size_t live = 0;
    bool exceeded = false;
};

// `state` shared, counted against `budget` while it lives.
SharedState share(StateBudget& budget, SlotState state) {
    std::size_t bytes = 64 + sizeof(SlotState) + state.capacity() * sizeof(Slot);
    for (const Slot& slot : state)
        bytes += 16 + slot.values.names.capacity() * sizeof(std::uint32_t);
    budget.live += bytes;
    if (budget.live > kMaxStateBytes) budget.exceeded = true;
    return SharedState(new SlotState(std::move(state)), [&budget, bytes](const SlotState* s) {
        budget.live -= bytes;
        delete s;
    });
}

// The names that slot assignments give, each stored once.
struct NamePool {
    std::vector<std::string_view> text;
    std::map<std::string_view, std::uint32_t> number;
};

std::uint32_t pooled(NamePool& pool, std::string_view name) {
    const auto [at, added] =
        pool.number.emplace(name, static_cast<std::uint32_t>(pool.text.size()));
    if (added) pool.text.push_back(name);
    return at->second;
}

// The slot state where two ways join.
SlotState joined(const SlotState& a, const SlotState& b) {
    SlotState out;
    out.reserve(std::max(a.size(), b.size()));
    std::size_t i = 0, k = 0;
    while (i < a.size() || k < b.size()) {
        if (k == b.size() || (i < a.size() && a[i].slot < b[k].slot)) {
            // Not set on the other way.
            out.push_back(a[i++]);
            out.back().values.open = true;
        } else if (i == a.size() || b[k].slot < a[i].slot) {
            out.push_back(b[k++]);
            out.back().values.open = true;
        } else {
            Slot& s = out.emplace_back(Slot{a[i].slot, {}});
            const SlotValues &x = a[i++].values, &y = b[k++].values;
            std::set_union(x.names.begin(), x.names.end(), y.names.begin(), y.names.end(),
                           std::back_inserter(s.values.names));
            s.values.open = x.open || y.open;
            s.values.any = x.any || y.any || s.values.names.size() > kMaxNames;
            if (s.values.any) s.values.names.clear();
        }
    }
    return out;
}

// Merges `from` into `into` (nothing yet on the first way there); true when
// `into` changed.
bool merge(SharedState& into, const SharedState& from, StateBudget& budget) {
    if (!into) {
        into = from;
        return true;
    }
    if (into == from) return false;
    SlotState state = joined(*into, *from);
    if (state == *into) return false;
    into = share(budget, std::move(state));
    return true;
}

bool is_player_scenario(std::int32_t scenario) {
    return scenario == 995 || scenario == 996 || scenario == 998;
}

// The line after the last line of the instruction that starts at `first`.
std::size_t instruction_end(const SeenProgram& program, std::size_t first) {
    std::size_t end = first + 1;
    while (end < program.lines.size() && program.lines[end].depth != 0)
        ++end;
    return end;
}

// The first lines of the instructions that can follow the one of lines
// [first, end): the one right after it where the way falls through, and
// those at its targets.
void successors(const SeenProgram& program, std::size_t first, std::size_t end,
                std::vector<std::size_t>& out) {
    out.clear();
    const SeenLine& line = program.lines[first];
    if (seen_falls_through(line.kind)) {
        const std::size_t next =
            seen_instruction_at(program, std::uint64_t{line.offset} + line.length);
        if (next != SIZE_MAX) out.push_back(next);
    }
    for (std::size_t i = first; i < end; ++i) {
        if (!program.lines[i].has_target) continue;
        const std::size_t to = seen_instruction_at(program, program.lines[i].target);
        if (to != SIZE_MAX) out.push_back(to);
    }
}

// The state after the instruction of lines [first, end); copied only when
// the instruction changes it.
void apply(const SeenProgram& program, std::size_t first, std::size_t end,
           const std::vector<std::int32_t>& followed, NamePool& pool, StateBudget& budget,
           SharedState& state) {
    for (std::size_t i = first; i < end; ++i) {
        const SeenLine& line = program.lines[i];
        if (line.kind != SeenKind::slot) continue;
        if (line.variable) {
            // Any slot may be the one written.
            SlotState changed = *state;
            for (Slot& slot : changed)
                slot.values.open = true;
            if (changed != *state) state = share(budget, std::move(changed));
        } else if (std::binary_search(followed.begin(), followed.end(), line.number)) {
            SlotState changed = *state;
            const auto at = std::lower_bound(
                changed.begin(), changed.end(), line.number,
                [](const Slot& s, std::int32_t number) { return s.slot < number; });
            SlotValues values{{pooled(pool, seen_line_name(program, line))}, false, false};
            if (at != changed.end() && at->slot == line.number) {
                at->values = std::move(values);
            } else {
                changed.insert(at, Slot{line.number, std::move(values)});
            }
            state = share(budget, std::move(changed));
        }
    }
}

// The ways through the scenario in blocks: a block starts at the first
// instruction, at each instruction a way jumps to and after each instruction
// that does not simply go on to the next one. The slot state is kept at the
// start of each block only.
struct Blocks {
    std::vector<std::uint32_t> first;  // the first line of each block, rising
    std::vector<SharedState> state;    // on entry, where a way reaches it
};

// The blocks of `program`, with the slot state on entry to each followed to
// a fixed point along every way from the scenario's start.
Blocks follow_slots(const SeenProgram& program, const std::vector<std::int32_t>& followed,
                    NamePool& pool, StateBudget& budget) {
    Blocks blocks;
    const std::size_t n = program.lines.size();
    std::vector<bool> starts(n, false);
    std::vector<std::size_t> next;
    bool first_seen = false;
    for (std::size_t i = 0; i < n;) {
        const SeenLine& line = program.lines[i];
        if (line.kind == SeenKind::unknown_byte) {
            ++i;
            continue;
        }
        const std::size_t end = instruction_end(program, i);
        if (!first_seen) starts[i] = first_seen = true;
        successors(program, i, end, next);
        std::size_t following = end;
        while (following < n && program.lines[following].kind == SeenKind::unknown_byte)
            ++following;
        if (!(next.size() == 1 && next.front() == following)) {
            for (std::size_t to : next)
                starts[to] = true;
            if (following < n) starts[following] = true;
        }
        i = end;
    }
    for (std::size_t i = 0; i < n; ++i)
        if (starts[i]) blocks.first.push_back(static_cast<std::uint32_t>(i));
    starts = std::vector<bool>();
    blocks.state.resize(blocks.first.size());
    if (blocks.first.empty()) return blocks;

    const auto block_of = [&](std::size_t line) {
        return static_cast<std::size_t>(
            std::lower_bound(blocks.first.begin(), blocks.first.end(), line) -
            blocks.first.begin());
    };
    std::vector<bool> queued(blocks.first.size(), false);
    std::deque<std::uint32_t> work;
    blocks.state[0] = share(budget, {});
    queued[0] = true;
    work.push_back(0);
    while (!work.empty() && !budget.exceeded) {
        const std::size_t b = work.front();
        work.pop_front();
        queued[b] = false;
        SharedState state = blocks.state[b];
        const std::size_t stop = b + 1 < blocks.first.size() ? blocks.first[b + 1] : n;
        std::size_t last = blocks.first[b], last_end = last;
        for (std::size_t i = blocks.first[b]; i < stop;) {
            if (program.lines[i].kind == SeenKind::unknown_byte) {
                ++i;
                continue;
            }
            last = i;
            last_end = instruction_end(program, i);
            apply(program, i, last_end, followed, pool, budget, state);
            i = last_end;
        }
        successors(program, last, last_end, next);
        for (std::size_t to : next) {
            const std::size_t target = block_of(to);
            if (merge(blocks.state[target], state, budget) && !queued[target]) {
                queued[target] = true;
                work.push_back(static_cast<std::uint32_t>(target));
            }
        }
    }
    return blocks;
}

SeenReference make(std::size_t line, ReferenceKind kind, std::int32_t slot, ReferenceState state) {
    SeenReference r;
    r.line = line;
    r.kind = kind;
    r.slot = slot;
    r.state = state;
    return r;
}

using Take = std::function<void(const SeenReference&)>;

void take_picture(const Take& take, const std::set<std::string>& entries, std::size_t line,
                  ReferenceKind kind, std::string_view name, std::int32_t slot) {
    // "NO" and "*" are the names of no picture.
    if (name == "NO" || name == "*") return;
    const std::string entry = upper_cased_name(std::string(name)) + ".PDT";
    SeenReference r = make(line, kind, slot,
                           entries.count(entry) ? ReferenceState::found : ReferenceState::dangling);
    r.name = name;
    r.entry = entry;
    take(r);
}

void take_unknown(const Take& take, std::size_t line, ReferenceKind kind, std::int32_t slot,
                  std::string why) {
    SeenReference r = make(line, kind, slot, ReferenceState::unknown);
    r.why = std::move(why);
    take(r);
}

// The references of the instruction of lines [first, end), where the slots
// hold `state` (null where no way from the start reaches it); `slots`: false
// where the slots could not be followed.
void take_references(const SeenProgram& program, std::size_t first, std::size_t end,
                     const SlotState* state, const NamePool& pool,
                     const std::set<std::string>& entries, const Take& take, bool slots = true) {
    for (std::size_t i = first; i < end; ++i) {
        const SeenLine& line = program.lines[i];
        if (line.kind == SeenKind::sprite) {
            take_picture(take, entries, i, ReferenceKind::sprite, seen_line_name(program, line),
                         -1);
        } else if (line.kind == SeenKind::picture && !line.via_slot) {
            take_picture(take, entries, i, ReferenceKind::picture, seen_line_name(program, line),
                         -1);
        } else if (line.kind == SeenKind::picture) {
            if (line.variable) {
                take_unknown(take, i, ReferenceKind::picture, -1,
                             "a variable ($" + std::to_string(line.number) + ") names the slot");
                continue;
            }
            if (!slots) {
                take_unknown(take, i, ReferenceKind::picture, line.number,
                             "the scenario's slot states are too many to follow");
                continue;
            }
            const Slot* slot = nullptr;
            if (state) {
                const auto at = std::lower_bound(
                    state->begin(), state->end(), line.number,
                    [](const Slot& s, std::int32_t number) { return s.slot < number; });
                if (at != state->end() && at->slot == line.number) slot = &*at;
            }
            if (!slot || slot->values.open || slot->values.any) {
                take_unknown(take, i, ReferenceKind::picture, line.number,
                             state ? "the slot is not set to a name on every way here"
                                   : "no way from the start reaches it");
            }
            if (!slot) continue;
            std::vector<std::string_view> names;
            for (std::uint32_t name : slot->values.names)
                names.push_back(pool.text[name]);
            std::sort(names.begin(), names.end());
            for (std::string_view name : names)
                take_picture(take, entries, i, ReferenceKind::picture, name, line.number);
        } else if (line.kind == SeenKind::scenario_jump) {
            if (line.variable) {
                take_unknown(
                    take, i, ReferenceKind::scenario_jump, -1,
                    "a variable ($" + std::to_string(line.number) + ") names the scenario");
                continue;
            }
            const std::string entry = seen_entry_name(line.number);
            SeenReference r = make(i, ReferenceKind::scenario_jump, -1,
                                   entries.count(entry) || is_player_scenario(line.number)
                                       ? ReferenceState::found
                                       : ReferenceState::dangling);
            r.number = line.number;
            r.entry = entry;
            take(r);
        }
    }
}

}  // namespace

void follow_references(const SeenProgram& program, const std::set<std::string>& entries,
                       const std::function<void(const SeenReference&)>& take) {
    // The slots that pictures read are the ones followed.
    std::vector<std::int32_t> followed;
    bool slots_read = false;
    for (const SeenLine& line : program.lines) {
        if (line.kind != SeenKind::picture || !line.via_slot) continue;
        slots_read = true;
        if (!line.variable && followed.size() < kMaxSlots &&
            std::find(followed.begin(), followed.end(), line.number) == followed.end()) {
            followed.push_back(line.number);
        }
    }
    std::sort(followed.begin(), followed.end());
    const std::size_t n = program.lines.size();
    NamePool pool;
    if (!slots_read) {
        // Only literal names: no state to follow.
        for (std::size_t i = 0; i < n;) {
            const std::size_t end = instruction_end(program, i);
            take_references(program, i, end, nullptr, pool, entries, take);
            i = end;
        }
        return;
    }
    StateBudget budget;
    const Blocks blocks = follow_slots(program, followed, pool, budget);
    const bool slots = !budget.exceeded;
    for (std::size_t b = 0; b < blocks.first.size(); ++b) {
        SharedState state = blocks.state[b];
        const std::size_t stop = b + 1 < blocks.first.size() ? blocks.first[b + 1] : n;
        for (std::size_t i = blocks.first[b]; i < stop;) {
            if (program.lines[i].kind == SeenKind::unknown_byte) {
                ++i;
                continue;
            }
            const std::size_t end = instruction_end(program, i);
            take_references(program, i, end, state.get(), pool, entries, take, slots);
            if (state && slots) apply(program, i, end, followed, pool, budget, state);
            i = end;
        }
    }
}

std::vector<SeenReference> follow_references(const SeenProgram& program,
                                             const std::set<std::string>& entries) {
    std::vector<SeenReference> out;
    follow_references(program, entries, [&](const SeenReference& r) { out.push_back(r); });
    return out;
}

std::string reference_text(const SeenReference& r) {
    std::string out = r.kind == ReferenceKind::picture  ? "picture"
                      : r.kind == ReferenceKind::sprite ? "sprite"
                                                        : "scenario jump";
    if (r.state == ReferenceState::unknown) {
        if (r.slot >= 0) out += " in slot " + std::to_string(r.slot);
        return out + ": unknown until run (" + r.why + ")";
    }
    if (r.kind == ReferenceKind::scenario_jump) {
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
    if (entry.unpacked_size > kMaxFollowedSeen) {
        reason = format_text("%u bytes, more than the %zu MiB that avdtool follows",
                             static_cast<unsigned>(entry.unpacked_size), kMaxFollowedSeen >> 20);
    } else if (!extract_entry(view, entry, content, reason)) {
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
    return false;
}

void show_unreadable(const std::string& name, const std::string& reason) {
    console_show("%s: unreadable: %s\n", {printable_name(name), reason});
}

SeenEntryCheck check_seen_entry(const PackageView& view, const DirectoryEntry& entry,
                                const std::set<std::string>& entries) {
    SeenEntryCheck found;
    std::vector<std::uint8_t> content;
    try {
        {
            // The listing goes before the verifier runs: the two never take
            // their memory at once.
            SeenProgram program;
            if (!read_seen_entry(view, entry, content, program, found.unreadable)) return found;
            follow_references(program, entries, [&](const SeenReference& r) {
                ++found.references;
                if (r.state != ReferenceState::found)
                    found.unresolved.push_back({program.lines[r.line].offset, r});
            });
        }
        found.verdict = verify_seen(content);
        found.verified = true;
    } catch (const std::bad_alloc&) {
        found.unreadable = kOutOfMemoryReason;
    }
    return found;
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
    for (const DirectoryEntry& entry : view.directory) {
        const std::string name = entry_name(entry);
        if (!is_seen_entry_name(name)) continue;
        ++scenarios;
        const SeenEntryCheck found = check_seen_entry(view, entry, entries);
        checked += found.references;
        for (const UnresolvedReference& u : found.unresolved) {
            ++(u.reference.state == ReferenceState::dangling ? dangling : unknown);
            console_show("%s %s: %s\n", {printable_name(name), format_text("0x%04X", u.offset),
                                         reference_text(u.reference)});
        }
        if (found.verified) {
            const SeenVerdict& verdict = found.verdict;
            for (const SeenFinding& f : verdict.faults) {
                ++faults;
                console_show("%s %s\n",
                             {printable_name(name), seen_finding_line(f, true, "fault: ")});
            }
            unreachable += verdict.unreachable_bytes;
            if (verbose) {
                console_show("%s: %s\n",
                             {printable_name(name),
                              format_text("%zu instructions on the ways from the start, %zu of "
                                          "%zu body bytes on no way",
                                          verdict.instructions, verdict.unreachable_bytes,
                                          verdict.body_size)});
            }
        }
        if (!found.unreadable.empty()) {
            ++unreadable;
            show_unreadable(name, found.unreadable);
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
