// The scenario translator: every MES/*.SIO file becomes a SEEN file entry.
#pragma once

#include <string>

struct FileSearch;
struct Package;

// The translator's state for one run.
struct Translator {
    bool conversion_failed = false;  // set on an opcode without translation, never cleared
};

// Fills the scenario list from "<game folder>MES/*.SIO", MAIN.SIO in slot 1.
void build_scenario_list(Translator& translator, FileSearch& search,
                         const std::string& game_folder);

// Translates every listed file into "SEEN%03d.TXT"; stops at the first file
// that sets the conversion-failed flag.
void translate_scenarios(Translator& translator, Package& package,
                         const std::string& game_folder);
