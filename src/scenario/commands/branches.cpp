// Command translators of SIO opcodes 30-35, 40, 41: comparisons, menus and value switches.
#include "scenario/dispatch.h"

void register_branch_commands(DispatchTable&) {}
