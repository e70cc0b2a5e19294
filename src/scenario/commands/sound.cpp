// Command translators of SIO opcodes 50, 51, 52: music and sound effects.
#include "scenario/dispatch.h"

void register_sound_commands(DispatchTable&) {}
