#include "tools/unified_diff.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// More cells than this in the table of common lines and the changed lines make one change.
const size_t kMostCells = size_t(16) << 20;
const size_t kContext = 3;

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find_first_of("\r\n", at);
        end = end == std::string_view::npos                                         ? text.size()
              : text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? end + 2
                                                                                    : end + 1;
        lines.push_back(text.substr(at, end - at));
        at = end;
    }
    return lines;
}

// One line of the diff: ' ' kept, '-' removed, '+' added, with its lines in both texts.
struct Step {
    char op;
    size_t before, after;
};

// The steps from a[0..n) to b[0..m) through their longest common subsequence of lines.
std::vector<Step> Steps(const std::vector<std::string_view>& a,
                        const std::vector<std::string_view>& b) {
    size_t head = 0, tail = 0;
    while (head < a.size() && head < b.size() && a[head] == b[head]) {
        ++head;
    }
    while (tail < a.size() - head && tail < b.size() - head &&
           a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) {
        ++tail;
    }
    size_t n = a.size() - head - tail, m = b.size() - head - tail;
    std::vector<Step> steps;
    for (size_t i = 0; i < head; ++i) {
        steps.push_back({' ', i, i});
    }
    if ((n + 1) * (m + 1) <= kMostCells) {
        // common[i][j]: the longest common run of a[head+i..] and b[head+j..].
        std::vector<uint32_t> common((n + 1) * (m + 1), 0);
        auto at = [&](size_t i, size_t j) -> uint32_t& { return common[i * (m + 1) + j]; };
        for (size_t i = n; i-- > 0;) {
            for (size_t j = m; j-- > 0;) {
                at(i, j) = a[head + i] == b[head + j] ? at(i + 1, j + 1) + 1
                                                      : std::max(at(i + 1, j), at(i, j + 1));
            }
        }
        size_t i = 0, j = 0;
        while (i < n || j < m) {
            if (i < n && j < m && a[head + i] == b[head + j]) {
                steps.push_back({' ', head + i++, head + j++});
            } else if (i < n && (j == m || at(i + 1, j) >= at(i, j + 1))) {
                steps.push_back({'-', head + i++, head + j});
            } else {
                steps.push_back({'+', head + i, head + j++});
            }
        }
    } else {
        for (size_t i = 0; i < n; ++i) {
            steps.push_back({'-', head + i, head});
        }
        for (size_t j = 0; j < m; ++j) {
            steps.push_back({'+', head + n, head + j});
        }
    }
    for (size_t i = 0; i < tail; ++i) {
        steps.push_back({' ', head + n + i, head + m + i});
    }
    return steps;
}

std::string Range(size_t start, size_t count) {
    // An empty range names the line before it, as diff does.
    return std::to_string(count == 0 ? start : start + 1) + "," + std::to_string(count);
}

} // namespace

std::string UnifiedDiff(std::string_view before, std::string_view after, const std::string& name) {
    if (before == after) {
        return "";
    }
    std::vector<std::string_view> a = Lines(before), b = Lines(after);
    std::vector<Step> steps = Steps(a, b);
    std::string diff = "--- " + name + "\n+++ " + name + "\n";
    for (size_t at = 0; at < steps.size();) {
        if (steps[at].op == ' ') {
            ++at;
            continue;
        }
        // A hunk: kContext kept lines around its changes, and one hunk for changes that
        // fewer than 2 * kContext kept lines part.
        size_t start = at >= kContext ? at - kContext : 0, last = at;
        for (size_t s = at + 1; s < steps.size() && s - last <= 2 * kContext + 1; ++s) {
            last = steps[s].op != ' ' ? s : last;
        }
        size_t end = std::min(steps.size(), last + 1 + kContext);
        size_t removed = 0, added = 0;
        for (size_t s = start; s < end; ++s) {
            removed += steps[s].op != '+';
            added += steps[s].op != '-';
        }
        diff += "@@ -" + Range(steps[start].before, removed) + " +" +
                Range(steps[start].after, added) + " @@\n";
        for (size_t s = start; s < end; ++s) {
            std::string_view line = steps[s].op == '+' ? b[steps[s].after] : a[steps[s].before];
            diff += steps[s].op;
            diff.append(line);
            if (line.empty() || (line.back() != '\n' && line.back() != '\r')) {
                diff += "\n\\ No newline at end of file\n";
            }
        }
        at = end;
    }
    return diff;
}
