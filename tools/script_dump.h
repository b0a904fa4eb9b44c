// The entries of a parse written back as one configuration file: typedefs where they are
// needed, calls with their values as literals, children in braces. Parsing the text gives the
// same entries again, so a dump flattens a file and its includes into what the launcher sees.
#pragma once

#include "script/entry.h"

#include <map>
#include <string>

// `spellings`: how to write each keyword (lower-cased, as entries name it), where known; the
// parser compares names without regard to case, so any spelling parses back the same.
std::string DumpScript(const ScriptEntry* entries,
                       const std::map<std::string, std::string>* spellings = nullptr);
