// SPDX-License-Identifier: GPL-2.0-or-later
#include "avdtool/report.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <new>
#include <set>
#include <string_view>
#include <vector>

#include "avdtool/check.h"
#include "avdtool/seen_listing.h"
#include "avdtool/tool_io.h"
#include "base/diagnostics.h"
#include "base/names.h"
#include "package/package_reader.h"
#include "platform/platform.h"
#include "png_export.h"

namespace {

constexpr char kStyle[] = R"css(
body{font-family:sans-serif;margin:0 auto;padding:0 12px 40px;max-width:1100px;color:#222;background:#fafafa;line-height:1.45}
h1{font-size:1.5em}h2{border-bottom:2px solid #ccc;padding-top:12px}
table{border-collapse:collapse}td,th{padding:2px 10px 2px 0;text-align:left;vertical-align:top}
nav ul{padding-left:1.2em;columns:10em}
.gallery{display:grid;grid-template-columns:repeat(auto-fill,minmax(150px,1fr));gap:10px}
figure{margin:0;padding:6px;background:#fff;border:1px solid #ddd;border-radius:4px;overflow-wrap:anywhere}
figure img{display:block;width:100%;height:auto}
figcaption{font-size:.8em}
.chk{background-color:#fff;background-image:linear-gradient(45deg,#ccc 25%,transparent 25%,transparent 75%,#ccc 75%),linear-gradient(45deg,#ccc 25%,transparent 25%,transparent 75%,#ccc 75%);background-size:16px 16px;background-position:0 0,8px 8px}
.code{font-family:monospace;font-size:.9em;background:#fff;border:1px solid #ddd;padding:6px;overflow-wrap:anywhere}
.ln{white-space:pre-wrap;margin:1px 0}
.ln ul{margin:0;padding-left:2.5em;white-space:normal}
.ln li{white-space:pre-wrap}
.off{color:#999;margin-right:1em}
.label{color:#06c;font-weight:bold;margin-top:6px}
.text{font-family:serif;font-size:1.15em}
.speaker{font-weight:bold;color:#a40}
img.thumb{height:64px;width:auto;vertical-align:middle;margin:2px 4px;border:1px solid #ccc}
.dangling{color:#fff;background:#c00;padding:0 4px;border-radius:3px}
.unknown{color:#000;background:#fd6;padding:0 4px;border-radius:3px}
.bad{color:#c00}
)css";

std::string html(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const char* entity = c == '&'    ? "&amp;"
                             : c == '<'  ? "&lt;"
                             : c == '>'  ? "&gt;"
                             : c == '"'  ? "&quot;"
                             : c == '\'' ? "&#39;"
                                         : nullptr;
        if (entity) {
            out += entity;
        } else {
            out += c;
        }
    }
    return out;
}

// A path, the system's own text, as UTF-8 for the page: each part between
// separators that is UTF-8 stays as it is, any other part is read as code
// page 932 (as names unpacked from a Japanese archive are), and a byte that
// is neither, or below 0x20, or 0x7F, is shown as \xNN.
std::string path_utf8(const std::string& path) {
    std::string out;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(start, end - start);
        const bool ascii = std::all_of(part.begin(), part.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        out +=
            ascii || platform::is_utf8_beyond_ascii(part)
                ? printable_name(part)
                : seen_text_utf8({reinterpret_cast<const std::uint8_t*>(part.data()), part.size()});
        if (end < path.size()) out += path[end];
        start = end + 1;
    }
    return out;
}

// A code page 932 name or text as HTML text.
std::string text_html(const std::string& cp932) {
    return html(
        seen_text_utf8({reinterpret_cast<const std::uint8_t*>(cp932.data()), cp932.size()}));
}

std::string entry_id(std::size_t index) {
    std::string id = "e";
    return id += std::to_string(index);
}

struct Picture {
    std::size_t entry = 0;  // directory index
    std::string name;
    std::string file;  // the PNG beside the page, or empty
    std::uint32_t width = 0, height = 0, source_width = 0, source_height = 0;
    bool transparent = false;
    std::string problem;
};

struct Report {
    std::string path, folder;
    PackageView view;
    std::vector<Picture> pictures;
    std::map<std::string, std::size_t> picture_by_name;  // first picture of each name
    std::map<std::string, std::size_t> entry_by_name;    // first entry of each name
    std::set<std::string> names;
    // The page as it is written: its text goes to `file` whenever a megabyte
    // has gathered, so that a listing of millions of lines is never held
    // whole. `failed`: a write failed, with the system's `reason`.
    std::string page;
    platform::File* file = nullptr;
    bool failed = false;
    std::string reason;
    int status = 0;
};

// Writes the page's text gathered so far once it is large.
void spill(Report& r, std::size_t at_least = std::size_t{1} << 20) {
    if (r.page.size() < at_least || r.failed) return;
    if (!platform::file_write(r.file, r.page.data(), r.page.size())) {
        r.failed = true;
        r.reason = platform::last_error_text();
    }
    r.page.clear();
}

bool is_picture_name(const std::string& name) {
    return name.size() >= 4 && name.compare(name.size() - 4, 4, ".PDT") == 0;
}

// Every picture entry as pNNNN.png in the folder, one picture in memory at
// a time.
void write_pictures(Report& r) {
    std::vector<std::uint8_t> content, png;
    for (std::size_t i = 0; i < r.view.directory.size(); ++i) {
        const std::string name = entry_name(r.view.directory[i]);
        if (!is_picture_name(name)) continue;
        Picture p;
        p.entry = i;
        p.name = name;
        std::string error;
        Pdt10Picture picture;
        if (!extract_shown(r.path, r.view, r.view.directory[i], content)) {
            p.problem = "cannot be read";
            r.status = 1;
        } else if (!pdt10_png(content, png, picture, error, &p.transparent)) {
            p.problem = error;
        } else {
            const std::string file = format_text("p%04zu.png", r.pictures.size() + 1);
            if (write_new_file(r.folder + platform::kSeparator + file, png.data(), png.size())) {
                p.file = file;
            } else {
                p.problem = "its PNG could not be written";
                r.status = 1;
            }
        }
        p.width = picture.width;
        p.height = picture.height;
        p.source_width = picture.source_width;
        p.source_height = picture.source_height;
        r.picture_by_name.emplace(upper_cased_name(name), r.pictures.size());
        r.pictures.push_back(std::move(p));
    }
}

std::string img(const Picture& p, const char* css_class) {
    return "<img class=\"" + std::string(css_class) + "\" src=\"" + p.file + "\" width=\"" +
           std::to_string(p.width) + "\" height=\"" + std::to_string(p.height) + "\" alt=\"" +
           text_html(p.name) + "\">";
}

std::string gallery(const Report& r) {
    std::string out = "<section id=\"pictures\"><h2>Pictures (" +
                      std::to_string(r.pictures.size()) + ")</h2>\n<div class=\"gallery\">\n";
    for (const Picture& p : r.pictures) {
        out += "<figure id=\"" + entry_id(p.entry) + "\">";
        if (!p.file.empty()) out += "<a href=\"" + p.file + "\">" + img(p, "chk") + "</a>";
        out += "<figcaption>" + text_html(p.name) + "<br>";
        if (p.file.empty()) {
            out += "<span class=\"bad\">" + html(p.problem) + "</span>";
        } else {
            out += std::to_string(p.source_width) + " × " + std::to_string(p.source_height) +
                   " → " + std::to_string(p.width) + " × " + std::to_string(p.height);
            if (p.transparent) out += "<br>transparent parts";
        }
        out += "</figcaption></figure>\n";
    }
    return out + "</div></section>\n";
}

// The inline part of a line after its text: the pictures it names, the
// scenario it jumps to, dangling and unknown names marked.
std::string references_html(const Report& r, const std::vector<SeenReference>& refs) {
    std::string out;
    for (const SeenReference& ref : refs) {
        if (ref.state == ReferenceState::unknown) {
            out += " <span class=\"unknown\">" + text_html(reference_text(ref)) + "</span>";
        } else if (ref.state == ReferenceState::dangling) {
            out += " <span class=\"dangling\">no entry " + text_html(ref.entry) + "</span>";
        } else if (const auto pic = r.picture_by_name.find(ref.entry);
                   pic != r.picture_by_name.end()) {
            const Picture& p = r.pictures[pic->second];
            out += " <a href=\"#" + entry_id(p.entry) + "\">";
            out += p.file.empty() ? text_html(ref.entry) : img(p, "thumb chk");
            out += "</a>";
        } else if (const auto seen = r.entry_by_name.find(ref.entry);
                   seen != r.entry_by_name.end()) {
            out +=
                " → <a href=\"#" + entry_id(seen->second) + "\">" + text_html(ref.entry) + "</a>";
        } else {
            out += " (the player's own scenario)";
        }
    }
    return out;
}

// A line's text with the label it jumps to as a link.
std::string linked_text(const SeenProgram& program, const SeenLine& line, const std::string& text,
                        const std::string& id) {
    const std::string shown = html(text);
    if (!line.has_target) return shown;
    const int label = seen_label(program, line.target);
    if (label == 0) return shown;
    const std::string name = format_text("L%04d", label);
    const std::size_t at = shown.rfind(name);
    if (at == std::string::npos) return shown;
    return shown.substr(0, at) + "<a href=\"#" + id + "-" + name + "\">" + name + "</a>" +
           shown.substr(at + name.size());
}

// A fault of the verifier as HTML text.
std::string fault_html(const SeenFinding& f) {
    return "<span class=\"dangling\">" + html(seen_finding_line(f, false, "fault: ")) + "</span>";
}

// The section of a SEEN entry, written as it is produced: each line of the
// listing is rendered when it is written, with the references found for it.
void scenario(Report& r, std::size_t index, const std::string& name, const SeenProgram& program,
              const SeenVerdict& verdict) {
    std::string& out = r.page;
    const std::string id = entry_id(index);
    out += "<section id=\"" + id + "\"><h2>" + text_html(name) + "</h2>\n";
    // Each fault beside the instruction at its offset; those of the header,
    // and those at an offset where the listing starts no instruction, above
    // the listing with their offset and instruction.
    bool apart = false;
    for (const SeenFinding& f : verdict.faults) {
        const bool body = f.check > SeenCheck::body_length;
        if (body && seen_instruction_at(program, f.offset) != SIZE_MAX) continue;
        out += apart ? "<li>" : "<ul><li>";
        apart = true;
        out += (body ? format_text("%04X ", f.offset) + html(f.instruction) + " "
                     : std::string("header ")) +
               fault_html(f) + "</li>";
        spill(r);
    }
    if (apart) out += "</ul>\n";
    out +=
        "<p>" + std::to_string(program.instructions) + " instructions, " +
        std::to_string(program.labels.size()) + " labels" +
        (program.unknown_bytes ? ", <span class=\"bad\">" + std::to_string(program.unknown_bytes) +
                                     " unknown bytes</span>"
                               : std::string()) +
        "</p>\n<div class=\"code\">\n";
    auto label = [&](std::size_t offset) {
        const int number = seen_label(program, static_cast<std::uint32_t>(offset));
        if (number == 0) return;
        const std::string text = format_text("L%04d", number);
        out += "<div class=\"label\" id=\"" + id + "-" + text + "\">" + text + ":</div>\n";
    };
    // The body's faults are in offset order, after the header's.
    std::size_t fault = 0;
    std::vector<std::string> texts;
    std::size_t first = 0;
    const std::size_t n = program.lines.size();
    auto write_line = [&](std::size_t i, const std::vector<SeenReference>& refs) {
        const SeenLine& line = program.lines[i];
        const bool instruction = line.depth == 0 && line.kind != SeenKind::unknown_byte;
        if (instruction) {
            texts = seen_instruction_texts(program, i);
            first = i;
        }
        if (line.depth == 0) label(line.offset);
        out += line.depth == 0 ? "<div class=\"ln\">" : "<li>";
        out += "<span class=\"off\">" + format_text("%04X", line.offset) + "</span>";
        if (line.kind == SeenKind::text || line.kind == SeenKind::speaker) {
            const std::string_view said = seen_line_name(program, line);
            out += std::string("<span class=\"") +
                   (line.kind == SeenKind::text ? "text" : "speaker") + "\">" +
                   text_html(std::string(said)) + "</span>";
        } else if (line.kind == SeenKind::unknown_byte) {
            out += "<span class=\"bad\">?? " + std::to_string(line.number) +
                   (line.number == 1 ? " unknown byte" : " unknown bytes") + "</span>";
        } else {
            out += linked_text(program, line, i - first < texts.size() ? texts[i - first] : "", id);
        }
        if (!refs.empty()) out += references_html(r, refs);
        if (instruction) {
            while (fault < verdict.faults.size() &&
                   (verdict.faults[fault].check <= SeenCheck::body_length ||
                    verdict.faults[fault].offset < line.offset))
                ++fault;
            for (; fault < verdict.faults.size() && verdict.faults[fault].offset == line.offset;
                 ++fault)
                out += " " + fault_html(verdict.faults[fault]);
        }
        // The parts of an instruction (menu items, sprites) as a list.
        const bool parts_follow = i + 1 < n && program.lines[i + 1].depth != 0;
        if (line.depth == 0) {
            out += parts_follow ? "<ul>" : "</div>\n";
        } else {
            out += parts_follow ? "</li>" : "</li></ul></div>\n";
        }
        spill(r);
    };
    // The references come in line order; each line is written once those of
    // it are known.
    const std::vector<SeenReference> none;
    std::vector<SeenReference> refs;
    std::size_t refs_line = SIZE_MAX, written = 0;
    auto write_until = [&](std::size_t end) {
        for (; written < end; ++written)
            write_line(written, written == refs_line ? refs : none);
    };
    follow_references(program, r.names, [&](const SeenReference& ref) {
        if (ref.line != refs_line) {
            write_until(ref.line);
            refs.clear();
            refs_line = ref.line;
        }
        refs.push_back(ref);
    });
    write_until(n);
    label(program.body_size);
    out += "</div></section>\n";
}

// What the summary needs of a SEEN entry, found before the page is written.
struct SeenSummary {
    bool readable = false;
    std::string reason;  // why it cannot be followed
    std::size_t faults = 0, dangling = 0;
};

// Reads, verifies and follows a SEEN entry for the summary; the unreadable
// are named on standard output.
SeenSummary summarise(Report& r, std::size_t index, std::vector<std::uint8_t>& content) {
    SeenSummary s;
    const DirectoryEntry& entry = r.view.directory[index];
    try {
        s.faults = 0;
        {
            SeenProgram program;
            if (!read_seen_entry(r.view, entry, content, program, s.reason)) {
                show_unreadable(entry_name(entry), s.reason);
                return s;
            }
            follow_references(program, r.names, [&](const SeenReference& ref) {
                if (ref.state == ReferenceState::dangling) ++s.dangling;
            });
        }
        s.faults = verify_seen(content).faults.size();
        s.readable = true;
    } catch (const std::bad_alloc&) {
        s = SeenSummary();
        s.reason = kOutOfMemoryReason;
        show_unreadable(entry_name(entry), s.reason);
    }
    return s;
}

}  // namespace

int report_package(const std::string& path, const std::string& folder) {
    Report r;
    r.path = path;
    r.folder = folder;
    std::vector<std::uint8_t> bytes;
    if (!load_package(path, bytes, r.view)) return 1;
    if (!make_folder(folder)) return 1;
    // The page is created first, so that a folder that already has one is
    // refused before anything is written into it.
    const std::string page_path = folder + platform::kSeparator + "index.html";
    r.file = create_output(page_path);
    if (!r.file) return 1;
    std::vector<std::size_t> seen_entries;
    std::size_t others = 0;
    for (std::size_t i = 0; i < r.view.directory.size(); ++i) {
        const std::string name = upper_cased_name(entry_name(r.view.directory[i]));
        r.names.insert(name);
        r.entry_by_name.emplace(name, i);
        if (is_seen_entry_name(name)) {
            seen_entries.push_back(i);
        } else if (!is_picture_name(name)) {
            ++others;
        }
    }
    std::string fault;
    const bool sound = verify_package(r.view, fault);
    write_pictures(r);

    // The summary at the page's top counts what the SEEN entries hold, so
    // each is read once for it first; their sections are written after, as
    // each is read again, without holding the page.
    std::size_t dangling = 0, unreadable = 0, faults = 0;
    std::vector<std::uint8_t> content;
    std::vector<SeenSummary> summaries;
    std::string nav;
    for (std::size_t index : seen_entries) {
        const SeenSummary& s = summaries.emplace_back(summarise(r, index, content));
        nav += "<li><a href=\"#" + entry_id(index) + "\">" +
               text_html(entry_name(r.view.directory[index])) + "</a>";
        if (!s.readable) {
            ++unreadable;
            nav += " <span class=\"dangling\">unreadable</span>";
        } else if (s.faults > 0) {
            nav += " <span class=\"dangling\">faults</span>";
        }
        nav += "</li>";
        faults += s.faults;
        dangling += s.dangling;
    }
    if (unreadable > 0 || faults > 0 || !sound) r.status = 1;
    // The page's title is the package's file name, a name of the system's.
    const std::string title = html(path_utf8(std::filesystem::path(path).filename().string()));
    std::string& out = r.page;
    out =
        "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
        title + " – avdtool report</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
    out += "<h1>" + title + "</h1>\n<section id=\"summary\"><table>\n";
    const auto row = [&](const char* name, const std::string& value) {
        out += "<tr><th>" + std::string(name) + "</th><td>" + value + "</td></tr>\n";
    };
    // A count that is a fault of the package stands out; none is "none".
    const auto marked = [](std::size_t count) {
        return count ? "<span class=\"dangling\">" + std::to_string(count) + "</span>"
                     : std::string("none");
    };
    row("file", html(path_utf8(path)));
    row("size", std::to_string(r.view.size) + " bytes");
    row("entries", std::to_string(r.view.entry_count) + ": " + std::to_string(r.pictures.size()) +
                       " pictures, " + std::to_string(seen_entries.size()) + " SEEN entries, " +
                       std::to_string(others) + " others");
    row("verify", sound ? std::string("OK") : "<span class=\"bad\">" + html(fault) + "</span>");
    row("dangling names", marked(dangling));
    row("faults of SEEN entries", marked(faults));
    row("unreadable SEEN entries", marked(unreadable));
    out += "</table>\n";
    out += "<nav><ul><li><a href=\"#pictures\">Pictures</a></li>" + nav + "</ul></nav></section>\n";
    nav = std::string();
    out += gallery(r);
    out += "<section id=\"scenarios\"><h2>SEEN entries</h2></section>\n";
    spill(r);

    for (std::size_t k = 0; k < seen_entries.size(); ++k) {
        const std::size_t index = seen_entries[k];
        const std::string name = entry_name(r.view.directory[index]);
        std::string reason = summaries[k].reason;
        if (summaries[k].readable) {
            try {
                if (extract_entry(r.view, r.view.directory[index], content, reason)) {
                    const SeenVerdict found = verify_seen(content);
                    const SeenProgram program = decode_seen(content);
                    scenario(r, index, name, program, found);
                    continue;
                }
            } catch (const std::bad_alloc&) {
                reason = kOutOfMemoryReason;
                show_unreadable(name, reason);
                r.status = 1;
            }
        }
        // An entry that cannot be followed keeps its place, marked with the
        // reason.
        out += "<section id=\"" + entry_id(index) + "\"><h2>" + text_html(name) +
               "</h2>\n<p><span class=\"dangling\">unreadable</span> " + text_html(reason) +
               "</p></section>\n";
    }
    out += "</body>\n</html>\n";
    if (r.failed) {
        platform::file_close(r.file);
        platform::delete_file(page_path);
        console_show_error("avdtool: cannot write %s: %s\n",
                           {as_system(page_path), as_system(r.reason)});
        return 1;
    }
    if (!finish_output(r.file, page_path, out.data(), out.size())) return 1;
    console_show(
        "%s: %s\n",
        {as_system(page_path),
         format_text("%zu pictures, %zu SEEN entries, %zu unreadable, %zu dangling "
                     "names, %zu faults",
                     r.pictures.size(), seen_entries.size(), unreadable, dangling, faults)});
    return r.status;
}
