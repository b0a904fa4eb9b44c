// The text of a document open in the editor, as the editor last sent it (UTF-8), with the
// protocol's positions: a line, and a column counted in UTF-16 code units. Lines end as the
// parser's do: "\r\n", "\r" or "\n".
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct TextPosition {
    long line = 0;
    long character = 0; // UTF-16 code units
};

class TextDocument {
public:
    explicit TextDocument(std::string text);
    const std::string& Text() const { return text_; }
    // Replaces the text between two positions (clamped to the text, and put in order).
    void Replace(TextPosition start, TextPosition end, const std::string& text);
    // The offset in the text of a position; a line past the last gives the end, a column past
    // its line's end gives that end.
    size_t OffsetOf(TextPosition position) const;
    // The position of the `codePoints`th code point of the line (0-based): a file's byte
    // column, where each byte is one code point. Past the end of the line: its end.
    TextPosition PositionOfCodePoint(long line, long codePoints) const;
    // The position of the `index`th code point of the text, and back.
    TextPosition PositionOfIndex(size_t index) const;
    size_t IndexOf(TextPosition position) const;
    long LineCount() const { return long(lineStarts_.size()); }

private:
    void IndexLines();
    size_t LineEnd(size_t line) const; // before its line break

    std::string text_;
    std::vector<size_t> lineStarts_;      // offsets
    std::vector<size_t> lineStartPoints_; // in code points
};
