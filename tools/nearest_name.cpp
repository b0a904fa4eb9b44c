#include "tools/nearest_name.h"

#include <algorithm>
#include <vector>

namespace {

// Edits that turn one name into the other.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace

std::string NearestName(const std::string& word, const std::set<std::string>& names) {
    std::string best;
    size_t bestDistance = std::max<size_t>(1, word.size() / 3) + 1;
    for (const std::string& name : names) {
        size_t distance = EditDistance(word, name);
        if (distance < bestDistance && name != word) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}
