// SPDX-License-Identifier: GPL-2.0-or-later
#include "scenario/dispatch.h"

namespace {

DispatchTable build_table() {
    DispatchTable table{};
    register_control_commands(table);
    register_variable_commands(table);
    register_branch_commands(table);
    register_window_commands(table);
    register_picture_commands(table);
    register_sound_commands(table);
    register_text_commands(table);
    return table;
}

}  // namespace

const DispatchTable& dispatch_table() {
    static const DispatchTable table = build_table();
    return table;
}
