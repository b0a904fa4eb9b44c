// The entries of a parse written back as one configuration file: typedefs where they are
// needed, calls with their values as literals, children in braces. Parsing the text gives the
// same entries again, so a dump flattens a file and its includes into what the launcher sees.
#pragma once

#include "script/entry.h"

#include <string>

std::string DumpScript(const ScriptEntry* entries);
