// Command translators of SIO opcodes 7, 9, 10: screen set-up and titles.
#include "scenario/dispatch.h"

void register_window_commands(DispatchTable&) {}
