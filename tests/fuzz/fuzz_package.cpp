// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzer of what avdtool does with a file: list and verify it as a SEEN
// file when it has the SEEN magic; otherwise parse it as a package, verify
// it, extract every entry, list and verify each entry as a SEEN file, follow
// the names it uses as `check` does, and encode it as a PNG picture (in
// memory).
#include <cstdint>
#include <cstdlib>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "avdtool/check.h"
#include "avdtool/png_export.h"
#include "avdtool/seen_listing.h"
#include "base/names.h"
#include "package/package_reader.h"
#include "scenario/seen_verify.h"

namespace {

// The reader accounts for every body byte: instructions that lie inside the
// body, one after another, and faults that count the unknown bytes.
void check_reader(const SeenProgram& program) {
    std::size_t next = 0, faulty = 0;
    for (const SeenLine& line : program.lines) {
        if (line.depth != 0 || line.kind == SeenKind::unknown_byte) continue;
        if (line.length == 0 || line.offset < next || line.offset + line.length > program.body_size)
            std::abort();
        next = line.offset + line.length;
    }
    for (const SeenFault& fault : program.faults)
        faulty += fault.count;
    if (faulty != program.unknown_bytes) std::abort();
}

// The verifier's findings lie inside the file: body faults inside the body,
// and no more instructions and bytes on no way than the body has bytes.
void check_verifier(std::span<const std::uint8_t> seen) {
    const SeenVerdict v = verify_seen(seen);
    if (v.instructions + v.unreachable_bytes > v.body_size) std::abort();
    for (const SeenFinding& f : v.faults) {
        if (f.check <= SeenCheck::body_length) continue;
        if (!v.walked || f.offset >= v.body_size) std::abort();
        if (f.check == SeenCheck::target_inside && f.inside >= f.target) std::abort();
    }
}

void inspect_content(std::span<const std::uint8_t> content, const std::set<std::string>& names) {
    list_seen(content);
    const SeenProgram program = decode_seen(content);
    check_reader(program);
    check_verifier(content);
    follow_references(program, names);
    std::string error;
    std::vector<std::uint8_t> png;
    Pdt10Picture picture;
    pdt10_png(content, png, picture, error);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // `avdtool seen FILE` lists a file that starts with the SEEN magic.
    if (is_seen_file({data, size})) {
        list_seen({data, size});
        check_reader(decode_seen({data, size}));
        check_verifier({data, size});
    }

    PackageView view;
    std::string error;
    if (!parse_package(data, size, view, error)) return 0;
    std::vector<std::string> warnings;
    verify_package(view, error, &warnings);
    std::vector<std::uint8_t> content;
    std::set<std::string> names;
    for (const DirectoryEntry& entry : view.directory)
        names.insert(entry_name(entry));
    for (const DirectoryEntry& entry : view.directory) {
        entry_name_fault(entry_name(entry));
        printable_name(entry_name(entry));
        if (extract_entry(view, entry, content, error)) inspect_content(content, names);
    }
    return 0;
}
