#include "tools/lsp/text_document.h"

#include "tools/lsp/code_page.h"

#include <algorithm>
#include <utility>

TextDocument::TextDocument(std::string text) : text_(std::move(text)) {
    IndexLines();
}

void TextDocument::IndexLines() {
    lineStarts_.assign(1, 0);
    lineStartPoints_.assign(1, 0);
    size_t points = 0;
    for (size_t at = 0; at < text_.size(); ++at) {
        char c = text_[at];
        points += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        if (c == '\n' || (c == '\r' && (at + 1 == text_.size() || text_[at + 1] != '\n'))) {
            lineStarts_.push_back(at + 1);
            lineStartPoints_.push_back(points);
        }
    }
}

TextPosition TextDocument::PositionOfIndex(size_t index) const {
    size_t line = size_t(std::upper_bound(lineStartPoints_.begin(), lineStartPoints_.end(), index) -
                         lineStartPoints_.begin()) -
                  1;
    return PositionOfCodePoint(long(line), long(index - lineStartPoints_[line]));
}

size_t TextDocument::IndexOf(TextPosition position) const {
    size_t offset = OffsetOf(position);
    size_t line = size_t(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset) -
                         lineStarts_.begin()) -
                  1;
    size_t index = lineStartPoints_[line];
    for (size_t at = lineStarts_[line]; at < offset;) {
        NextCodePoint(text_, &at);
        ++index;
    }
    return index;
}

size_t TextDocument::LineEnd(size_t line) const {
    size_t end = line + 1 < lineStarts_.size() ? lineStarts_[line + 1] : text_.size();
    while (end > lineStarts_[line] && (text_[end - 1] == '\n' || text_[end - 1] == '\r') &&
           line + 1 < lineStarts_.size()) {
        --end;
    }
    return end;
}

size_t TextDocument::OffsetOf(TextPosition position) const {
    if (position.line < 0) {
        return 0;
    }
    if (size_t(position.line) >= lineStarts_.size()) {
        return text_.size();
    }
    size_t at = lineStarts_[position.line], end = LineEnd(position.line);
    for (long units = 0; at < end;) {
        size_t next = at;
        char32_t point = NextCodePoint(text_, &next);
        units += point >= 0x10000 ? 2 : 1;
        if (units > position.character) {
            break;
        }
        at = next;
    }
    return at;
}

TextPosition TextDocument::PositionOfCodePoint(long line, long codePoints) const {
    TextPosition position;
    if (line < 0 || size_t(line) >= lineStarts_.size()) {
        return position;
    }
    position.line = line;
    size_t at = lineStarts_[line], end = LineEnd(line);
    for (long seen = 0; at < end && seen < codePoints; ++seen) {
        position.character += NextCodePoint(text_, &at) >= 0x10000 ? 2 : 1;
    }
    return position;
}

void TextDocument::Replace(TextPosition start, TextPosition end, const std::string& text) {
    size_t from = OffsetOf(start), to = OffsetOf(end);
    if (to < from) {
        std::swap(from, to);
    }
    // Only the lines around the change are scanned again: from the line before the one it
    // starts in (a "\r" there may meet a "\n" put in) to the first line that starts two bytes
    // past its end, whose start the change cannot move but by its length. The rest shift.
    auto lineOf = [this](size_t offset) {
        return size_t(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset) -
                      lineStarts_.begin()) -
               1;
    };
    size_t first = lineOf(from);
    first -= first > 0;
    size_t tail =
        std::upper_bound(lineStarts_.begin(), lineStarts_.end(), to + 1) - lineStarts_.begin();
    size_t windowStart = lineStarts_[first];
    size_t oldPoints =
        (tail < lineStarts_.size() ? lineStartPoints_[tail] : 0) - lineStartPoints_[first];
    ptrdiff_t delta = ptrdiff_t(text.size()) - ptrdiff_t(to - from);
    text_.replace(from, to - from, text);
    size_t windowEnd =
        tail < lineStarts_.size() ? size_t(ptrdiff_t(lineStarts_[tail]) + delta) : text_.size();
    std::vector<size_t> starts, points;
    size_t counted = lineStartPoints_[first];
    for (size_t at = windowStart; at < windowEnd; ++at) {
        char c = text_[at];
        counted += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        bool breaks = c == '\n' || (c == '\r' && (at + 1 == text_.size() || text_[at + 1] != '\n'));
        if (breaks && (at + 1 < windowEnd || tail >= lineStarts_.size())) {
            starts.push_back(at + 1);
            points.push_back(counted);
        }
    }
    ptrdiff_t pointsDelta = ptrdiff_t(counted - lineStartPoints_[first]) - ptrdiff_t(oldPoints);
    for (size_t line = tail; line < lineStarts_.size(); ++line) {
        starts.push_back(size_t(ptrdiff_t(lineStarts_[line]) + delta));
        points.push_back(size_t(ptrdiff_t(lineStartPoints_[line]) + pointsDelta));
    }
    lineStarts_.resize(first + 1);
    lineStartPoints_.resize(first + 1);
    lineStarts_.insert(lineStarts_.end(), starts.begin(), starts.end());
    lineStartPoints_.insert(lineStartPoints_.end(), points.begin(), points.end());
}
