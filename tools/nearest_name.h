// "Did you mean": the known name closest to a misspelt one.
#pragma once

#include <set>
#include <string>

// The closest of `names` to `word`, other than `word` itself, within a third of its length (at
// least one edit); "" when none is that close. Names are at most 31 bytes.
std::string NearestName(const std::string& word, const std::set<std::string>& names);
