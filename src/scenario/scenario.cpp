#include "scenario/scenario.h"

void build_scenario_list(Translator&, FileSearch&, const std::string&) {}

void translate_scenarios(Translator&, Package&, const std::string&) {}
