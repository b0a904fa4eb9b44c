// The realistic configuration content the parse benchmarks share: levels with spawns, lights
// and comments, written in our language and, with the same values, as INI and as TOML.
#pragma once

#include <string>

struct ScriptCorpus {
    std::string configuration, ini, toml;
};

// Whole levels, with the typedefs and constants they use, until the configuration text is at
// least `bytes` long.
ScriptCorpus RealisticCorpus(long bytes);
