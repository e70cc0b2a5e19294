// Command translators of SIO opcodes 60-63: characters and backgrounds.
#include "scenario/dispatch.h"

void register_picture_commands(DispatchTable&) {}
