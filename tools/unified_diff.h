// The differences between two texts as a unified diff ("diff -u"), line by line, three lines of
// context around each change. A line keeps its line end, so that a change of CR LF to LF shows.
#pragma once

#include <string>
#include <string_view>

// "" when the texts are equal. Where both texts have so many differing lines that matching
// them would cost too much, the lines between their common start and end make one change.
std::string UnifiedDiff(std::string_view before, std::string_view after, const std::string& name);
