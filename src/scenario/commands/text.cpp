// Command translators of SIO opcodes 53, 240: message text.
#include "scenario/dispatch.h"

void register_text_commands(DispatchTable&) {}
