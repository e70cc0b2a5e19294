// SPDX-License-Identifier: GPL-2.0-or-later
// avdtool report: a static page of a whole package, to look at the converted
// game in a browser: the package summary, every picture, and every SEEN
// entry as a readable listing whose pictures are shown where they are named.
#pragma once

#include <string>

// Writes DIR/index.html (UTF-8, no script, nothing from the network) and
// one PNG file per picture beside it, all as new files, the page as it is
// produced. Then a line on standard output that counts the pictures, the
// SEEN entries, the unreadable ones, the dangling names and the faults. 1
// when a file cannot be written, an entry cannot be read (a SEEN entry that
// cannot be followed included), a SEEN entry has a fault or the package
// fails verify; the page is written anyway when only entries are at fault.
int report_package(const std::string& path, const std::string& folder);
