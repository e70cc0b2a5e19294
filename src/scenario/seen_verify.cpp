// SPDX-License-Identifier: GPL-2.0-or-later
// The SEEN verifier. The walk decodes each offset a way reaches once, as the
// player would meet it, so a file costs one decode per reached offset: a
// work list of offsets and a mark per body byte. Targets that land inside
// another reached instruction are found afterwards from the reached
// instructions in start order.
#include "scenario/seen_verify.h"

#include <algorithm>

#include "base/diagnostics.h"
#include "base/names.h"
#include "platform/platform.h"
#include "scenario/seen.h"
#include "scenario/translator.h"

namespace {

// Instructions longer than this are shown by their first bytes: a fault
// report does not copy a long text for each of many faults.
constexpr std::size_t kLongestShown = 1024;

// The reader's reasons stand in the same order as the body's faults.
static_assert(static_cast<int>(SeenCheck::sprite_count) - static_cast<int>(SeenCheck::cut) ==
              static_cast<int>(SeenFaultKind::sprite_count));
SeenCheck check_of(SeenFaultKind kind) {
    return static_cast<SeenCheck>(static_cast<int>(SeenCheck::cut) + static_cast<int>(kind));
}

std::string first_bytes(std::span<const std::uint8_t> body, std::size_t at) {
    std::string out = "bytes";
    const std::size_t end = std::min(body.size(), at + 8);
    for (std::size_t i = at; i < end; ++i)
        out += format_text(" %02X", body[i]);
    if (end < body.size()) out += " ...";
    return out;
}

// A body fault and the line of its instruction that shows it (a menu item
// for a target of that item).
struct Pending {
    SeenFinding finding;
    std::size_t line = 0;
};

struct Reached {
    std::uint32_t start = 0, end = 0;
};

struct Edge {
    std::uint32_t from = 0;
    std::uint32_t target = 0;
    std::size_t line = 0;
};

// The header's faults; false when the body cannot be found.
bool check_header(std::span<const std::uint8_t> seen, SeenVerdict& v) {
    const SeenHeader h = read_seen_header(seen);
    const auto fault = [&](SeenCheck check, std::uint64_t found) -> SeenFinding& {
        v.faults.emplace_back();
        v.faults.back().check = check;
        v.faults.back().found = found;
        return v.faults.back();
    };
    if (!h.magic) {
        fault(SeenCheck::no_magic, 0);
        return false;
    }
    if (h.file_size < static_cast<std::size_t>(kSeenHeaderSize)) {
        fault(SeenCheck::header_cut, h.file_size);
        return false;
    }
    if (h.file_size > static_cast<std::size_t>(kOutBufferSize))
        fault(SeenCheck::too_large, h.file_size);
    std::uint8_t model[kSeenHeaderSize];
    write_seen_header(model, 0);
    for (std::size_t i : h.differing) {
        SeenFinding& f = fault(SeenCheck::header_byte, seen[i]);
        f.offset = static_cast<std::uint32_t>(i);
        f.stated = model[i];
    }
    if (h.body_length != h.present) {
        SeenFinding& f = fault(SeenCheck::body_length, h.present);
        f.offset = kSeenBodyLengthOffset;
        f.stated = h.body_length;
    }
    return true;
}

}  // namespace

SeenVerdict verify_seen(std::span<const std::uint8_t> seen) {
    SeenVerdict v;
    if (!check_header(seen, v)) return v;
    const std::span<const std::uint8_t> body = seen.subspan(kSeenHeaderSize);
    // Offsets are 32 bits, as the targets are; a larger body is only too large.
    if (body.size() >= UINT32_MAX) return v;
    v.walked = true;
    v.body_size = body.size();
    const std::size_t n = body.size();
    const SeenBodyIndex index = index_seen_body(body);

    std::vector<bool> queued(n, false);
    std::vector<std::uint32_t> work;
    auto reach = [&](std::size_t at) {
        if (at < n && !queued[at]) {
            queued[at] = true;
            work.push_back(static_cast<std::uint32_t>(at));
        }
    };
    // +1 at the first byte of each reached instruction or fault, -1 after it.
    std::vector<std::int32_t> covered(n + 1, 0);
    std::vector<Reached> reached;
    std::vector<Edge> edges;
    std::vector<Pending> pending;
    std::vector<std::uint32_t> undecoded;  // reached offsets where no instruction decodes
    auto fault = [&](SeenCheck check, std::size_t at, std::size_t line = 0) -> SeenFinding& {
        SeenFinding& f = pending.emplace_back(Pending{{}, line}).finding;
        f.check = check;
        f.offset = static_cast<std::uint32_t>(at);
        return f;
    };

    reach(0);
    while (!work.empty()) {
        const std::size_t at = work.back();
        work.pop_back();
        const SeenStep step = decode_seen_instruction(index, at, false);
        if (!step.decoded) {
            SeenFinding& f = fault(check_of(step.fault), at);
            undecoded.push_back(static_cast<std::uint32_t>(at));
            f.stated = step.stated;
            f.found = step.found;
            const bool to_end =
                step.fault == SeenFaultKind::cut || step.fault == SeenFaultKind::unterminated_text;
            ++covered[at];
            --covered[to_end ? n : at + 1];
            continue;
        }
        ++v.instructions;
        const std::size_t end = at + step.length;
        ++covered[at];
        --covered[end];
        reached.push_back({static_cast<std::uint32_t>(at), static_cast<std::uint32_t>(end)});
        const SeenLine& first = step.lines.front();
        bool falls_through = seen_falls_through(first.kind);
        if (first.kind == SeenKind::menu) {
            // The count byte holds only the low 8 bits of more than 255 items.
            const std::size_t items = static_cast<std::size_t>(std::count_if(
                step.lines.begin(), step.lines.end(),
                [](const SeenLine& line) { return line.kind == SeenKind::menu_item; }));
            if (items != static_cast<std::size_t>(first.number)) {
                SeenFinding& f = fault(SeenCheck::menu_count, at);
                f.stated = static_cast<std::uint32_t>(first.number);
                f.found = items;
            }
        }
        if (body[at] == kOpPicture && body[at + 1] == 0x22 && end < n && body[end] == 0x03) {
            // More sprite records than the count byte says: the way would go on
            // into the next record, which is no instruction.
            const std::size_t more = count_sprite_records(index, end, 256);
            if (more > 0) {
                SeenFinding& f = fault(SeenCheck::sprite_count, at);
                f.stated = body[at + 2];
                f.found = body[at + 2] + more;
                falls_through = false;
            }
        }
        if (falls_through) reach(end);
        for (std::size_t i = 0; i < step.lines.size(); ++i) {
            if (!step.lines[i].has_target) continue;
            const std::uint32_t target = step.lines[i].target;
            if (target > n) {
                SeenFinding& f = fault(SeenCheck::target_outside, at, i);
                f.target = target;
                f.stated = n;
                continue;
            }
            edges.push_back({static_cast<std::uint32_t>(at), target, i});
            reach(static_cast<std::size_t>(target));
        }
    }

    // A target inside an instruction that a way executes: the reached
    // instruction that starts before it and reaches furthest covers it, if any
    // does.
    std::sort(reached.begin(), reached.end(),
              [](const Reached& a, const Reached& b) { return a.start < b.start; });
    std::vector<std::size_t> furthest(reached.size());
    for (std::size_t i = 0; i < reached.size(); ++i) {
        furthest[i] = i > 0 && reached[furthest[i - 1]].end >= reached[i].end ? furthest[i - 1] : i;
    }
    // A target where no instruction decodes is a fault there, and of the
    // jump that leads there too: the bytes may lie in the middle of an
    // instruction that no way reaches, which only the jump explains.
    std::sort(undecoded.begin(), undecoded.end());
    for (const Edge& e : edges) {
        const auto after = std::lower_bound(
            reached.begin(), reached.end(), e.target,
            [](const Reached& r, std::uint32_t target) { return r.start < target; });
        const std::size_t before = static_cast<std::size_t>(after - reached.begin());
        if (before > 0 && reached[furthest[before - 1]].end > e.target) {
            SeenFinding& f = fault(SeenCheck::target_inside, e.from, e.line);
            f.target = e.target;
            f.inside = reached[furthest[before - 1]].start;
        } else if (std::binary_search(undecoded.begin(), undecoded.end(), e.target)) {
            fault(SeenCheck::target_no_instruction, e.from, e.line).target = e.target;
        }
    }

    std::int64_t depth = 0;
    for (std::size_t i = 0; i < n; ++i) {
        depth += covered[i];
        if (depth == 0) ++v.unreachable_bytes;
    }

    std::stable_sort(pending.begin(), pending.end(), [](const Pending& a, const Pending& b) {
        return a.finding.offset < b.finding.offset;
    });
    // Faults of one instruction (the items of a menu) share one decode of it.
    SeenStep shown;
    std::int64_t shown_at = -1;
    for (Pending& p : pending) {
        if (shown_at != p.finding.offset) {
            shown_at = p.finding.offset;
            shown = decode_seen_instruction(index, p.finding.offset, false);
            if (shown.decoded && shown.length <= kLongestShown)
                shown = decode_seen_instruction(index, p.finding.offset, true);
        }
        if (shown.decoded && shown.length <= kLongestShown) {
            p.finding.instruction = shown.texts[std::min(p.line, shown.texts.size() - 1)];
        } else {
            p.finding.instruction = first_bytes(body, p.finding.offset);
        }
        v.faults.push_back(std::move(p.finding));
    }
    return v;
}

namespace {

// What a finding says.
std::string finding_text(const SeenFinding& f) {
    const auto u = [](std::uint64_t value) { return static_cast<unsigned long long>(value); };
    switch (f.check) {
        case SeenCheck::no_magic:
            return "no TPC32 magic";
        case SeenCheck::header_cut:
            return format_text("header cut short: %llu of %d bytes", u(f.found), kSeenHeaderSize);
        case SeenCheck::too_large:
            return format_text("%llu bytes, more than the translator's %d", u(f.found),
                               kOutBufferSize);
        case SeenCheck::header_byte:
            return format_text("header byte %u is 0x%02llX, not 0x%02llX", f.offset, u(f.found),
                               u(f.stated));
        case SeenCheck::body_length:
            return format_text("body length %llu in the header, but %llu bytes follow it",
                               u(f.stated), u(f.found));
        case SeenCheck::target_outside:
            return format_text("target 0x%04llX is outside the body (0x%04llX bytes)",
                               u(static_cast<std::uint64_t>(f.target)), u(f.stated));
        case SeenCheck::target_inside:
            return format_text("target 0x%04llX is inside the instruction at 0x%04X",
                               u(static_cast<std::uint64_t>(f.target)), f.inside);
        case SeenCheck::target_no_instruction:
            return format_text("target 0x%04llX leads to bytes that form no instruction",
                               u(static_cast<std::uint64_t>(f.target)));
        case SeenCheck::cut:
            return "instruction cut by the body's end";
        case SeenCheck::unterminated_text:
            return "text without its terminator before the body's end";
        case SeenCheck::unknown:
            return "no known instruction starts here";
        case SeenCheck::menu_count:
            return format_text("menu count byte %llu, but %llu item%s", u(f.stated), u(f.found),
                               f.found == 1 ? "" : "s");
        case SeenCheck::sprite_count:
            return format_text("sprite count byte %llu, but %llu sprite record%s", u(f.stated),
                               u(f.found), f.found == 1 ? "" : "s");
    }
    return {};
}

}  // namespace

std::string seen_finding_line(const SeenFinding& f, bool placed, std::string_view mark) {
    std::string out;
    if (placed && f.check <= SeenCheck::body_length) {
        out = "header: ";
    } else if (placed) {
        // The instruction's text is UTF-8 made from code page 932 texts.
        std::string instruction;
        if (!platform::utf8_to_cp932(f.instruction, instruction))
            instruction = printable_name(f.instruction);
        out = format_text("0x%04X: ", f.offset) + instruction + ": ";
    }
    out += mark;
    return out + finding_text(f);
}

void note_seen_faults(std::span<const std::uint8_t> seen, const std::string& path,
                      const std::string& entry, Diagnostics& said) {
    const SeenVerdict v = verify_seen(seen);
    if (v.faults.empty()) return;
    std::string warning = v.faults.size() == 1
                              ? std::string("has 1 fault")
                              : format_text("has %zu faults, the first", v.faults.size());
    const SeenFinding& f = v.faults.front();
    warning += f.check <= SeenCheck::body_length ? " in the " : " at ";
    warning += seen_finding_line(f, true);
    note_error(said, "msconv: %s: %s %s\n", {as_system(path), entry, warning});
}
