// Command translators of SIO opcodes 8, 11, 12, 20, 21, 22: variable presets and arithmetic.
#include "scenario/dispatch.h"

void register_variable_commands(DispatchTable&) {}
