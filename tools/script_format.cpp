#include "tools/script_format.h"

#include "script/parser.h"
#include "tools/script_tokens.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

const char kStep[] = "    ";

// A token other than a blank or a line end, with what stood between it and the one before.
struct Mark {
    ScriptToken token;
    int lineEnds;       // line ends before it, the one that ends a line comment included
    bool startsLine;    // the first on its line (the first of the text too)
    uint32_t lineStart; // where its line starts, when it starts one
    bool glued;         // nothing at all stands between it and the token before
};

// A source offset and the output offset that stands for it: both the start of a line.
struct Sync {
    uint32_t source, output;
};

// The line end that the text uses first between tokens or to end a line comment (not one
// inside a string or a block comment), LF where it has none.
std::string FirstLineEnd(std::string_view text, const std::vector<ScriptToken>& tokens) {
    for (const ScriptToken& token : tokens) {
        if (token.kind == ScriptToken::kLineEnd) {
            return std::string(text.substr(token.start, token.end - token.start));
        }
        if (token.kind == ScriptToken::kLineComment && text[token.end - 1] == '\n') {
            return text[token.end - 2] == '\r' ? "\r\n" : "\n";
        }
    }
    return "\n";
}

class Layout {
public:
    // New line ends are `newline`, or where that is empty the text's first.
    Layout(std::string_view text, const std::string& newline) : text_(text) {
        std::vector<ScriptToken> tokens = ScanScriptTokens(text);
        int lineEnds = 0;
        uint32_t lineStart = 0;
        bool glued = true, afterLineComment = false;
        for (const ScriptToken& token : tokens) {
            if (token.kind == ScriptToken::kBlank || token.kind == ScriptToken::kLineEnd) {
                lineEnds += token.kind == ScriptToken::kLineEnd;
                lineStart = token.kind == ScriptToken::kLineEnd ? token.end : lineStart;
                glued = false;
                continue;
            }
            bool startsLine = marks_.empty() || lineEnds > 0 || afterLineComment;
            marks_.push_back({token, lineEnds + (afterLineComment ? 1 : 0), startsLine,
                              startsLine ? lineStart : token.start, glued});
            afterLineComment = token.kind == ScriptToken::kLineComment;
            lineStart = token.end;
            lineEnds = 0;
            glued = true;
        }
        newline_ = newline.empty() ? FirstLineEnd(text, tokens) : newline;
    }

    // Lays out the whole text; false when its statements are not of the language's shapes.
    bool Run() {
        syncs_.push_back({0, 0});
        while (at_ < marks_.size()) {
            if (!Item()) {
                return false;
            }
        }
        const ScriptToken* last = marks_.empty() ? nullptr : &marks_.back().token;
        bool open =
            last && ((last->kind == ScriptToken::kLineComment && text_[last->end - 1] != '\n') ||
                     (last->kind == ScriptToken::kBlockComment &&
                      (last->end - last->start < 4 || text_.substr(last->end - 2, 2) != "*/")));
        // A comment that runs to the end of the text would take in a line end put after it.
        if (!lineStart_ && !out_.empty() && !open) {
            out_ += newline_;
        }
        syncs_.push_back({uint32_t(text_.size()), uint32_t(out_.size())});
        return true;
    }

    const std::string& Output() const { return out_; }
    const std::string& Newline() const { return newline_; }
    const std::vector<Sync>& Syncs() const { return syncs_; }

private:
    enum Gap { kNone, kSpace };

    bool Is(size_t i, char c) const {
        return i < marks_.size() && marks_[i].token.kind == ScriptToken::kPunctuation &&
               text_[marks_[i].token.start] == c;
    }
    bool IsKind(size_t i, ScriptToken::Kind kind) const {
        return i < marks_.size() && marks_[i].token.kind == kind;
    }
    bool IsCommentAt(size_t i) const { return i < marks_.size() && IsComment(marks_[i].token); }

    void Indent(int levels) {
        for (int i = 0; i < levels; ++i) {
            out_ += kStep;
        }
    }
    // Starts a new line at `levels` of indentation, after a blank line when `blank`.
    void NewLine(int levels, bool blank) {
        if (!lineStart_) {
            out_ += newline_;
        }
        if (blank) {
            out_ += newline_;
        }
        lineOutput_ = uint32_t(out_.size());
        Indent(levels);
        lineStart_ = false;
    }
    void Put(const Mark& mark) {
        out_.append(text_.substr(mark.token.start, mark.token.end - mark.token.start));
        lineStart_ =
            mark.token.kind == ScriptToken::kLineComment && text_[mark.token.end - 1] == '\n';
        ++at_;
    }
    // Puts the token at `at_` inside a statement, after `gap`; a line comment before it has
    // ended the line, so it goes on the next at the statement's continuation indent.
    void PutInside(Gap gap) {
        if (lineStart_) {
            Indent(depth_ + 1);
        } else if (gap == kSpace) {
            out_ += ' ';
        }
        Put(marks_[at_]);
    }
    // Puts the comments at `at_`, inside a statement: one that stood first on its line starts
    // one at the continuation indent, any other follows a blank (none after an opening
    // bracket). The token after a block comment comes after a blank unless it closes.
    void InsideComments() {
        while (IsCommentAt(at_)) {
            const Mark& mark = marks_[at_];
            if (mark.startsLine && !lineStart_) {
                NewLine(depth_ + 1, false);
                Put(mark);
            } else {
                bool afterOpening = !out_.empty() && out_.back() == '(';
                PutInside(afterOpening ? kNone : kSpace);
            }
        }
    }
    // The gap before the token at `at_` inside a statement, after a comment or not.
    Gap GapAfterComments(Gap otherwise) const {
        bool afterBlockComment =
            at_ > 0 && marks_[at_ - 1].token.kind == ScriptToken::kBlockComment;
        if (!afterBlockComment) {
            return otherwise;
        }
        return Is(at_, ',') || Is(at_, ')') || Is(at_, ';') ? kNone : kSpace;
    }

    // One statement, comment or closing brace at the statement level.
    bool Item() {
        const Mark& mark = marks_[at_];
        bool closing = Is(at_, '}');
        if (closing && depth_ == 0) {
            return false;
        }
        depth_ -= closing ? 1 : 0;
        if (IsComment(mark.token) && !mark.startsLine) {
            out_ += ' '; // at the end of the line of what stands before it
            Put(mark);
            return true;
        }
        bool first = out_.empty() || (!closing && blockOpened_);
        bool blank = mark.lineEnds >= 2 && !first && !closing;
        blockOpened_ = false;
        NewLine(depth_, blank);
        if (mark.startsLine) {
            syncs_.push_back({mark.lineStart, lineOutput_});
        }
        if (IsComment(mark.token) || closing) {
            Put(mark);
            return true;
        }
        if (Is(at_, '!') || Is(at_, '$')) {
            return Declaration();
        }
        if (IsKind(at_, ScriptToken::kWord) || Is(at_, '(')) {
            return Call();
        }
        return false;
    }

    // '!' or '$', a name right after it (the parser reads it from the next byte), arguments.
    bool Declaration() {
        bool typedefMark = Is(at_, '!');
        Put(marks_[at_]);
        bool include = false;
        if (IsKind(at_, ScriptToken::kWord) && marks_[at_].glued) {
            std::string_view name = text_.substr(marks_[at_].token.start,
                                                 marks_[at_].token.end - marks_[at_].token.start);
            include = typedefMark && name.size() == 7;
            for (size_t i = 0; include && i < name.size(); ++i) {
                include = (name[i] | 0x20) == "include"[i];
            }
            Put(marks_[at_]);
        }
        InsideComments();
        if (!Is(at_, '(')) {
            return false;
        }
        PutInside(GapAfterComments(kNone));
        return include ? IncludeName() : Arguments();
    }

    // The name of an include is read from the byte right after the bracket, with no blank or
    // comment skipped: a string, or the name of a constant, which is empty where no word stands
    // there. A constant's name that no ')' follows names none that is defined: the parser
    // skips the include and goes on after the name, with the next statement.
    bool IncludeName() {
        bool word = IsKind(at_, ScriptToken::kWord) && marks_[at_].glued;
        bool string = IsKind(at_, ScriptToken::kString) && marks_[at_].glued;
        uint32_t nameLength = 0;
        if (word || string) {
            nameLength = marks_[at_].token.end - marks_[at_].token.start;
            Put(marks_[at_]);
        }
        size_t after = at_;
        while (IsCommentAt(after)) {
            ++after;
        }
        if (!string && !Is(after, ')')) {
            return nameLength < sizeof ScriptEntry::name; // not cut short by the parser
        }
        InsideComments();
        if (!Is(at_, ')')) {
            return false;
        }
        PutInside(GapAfterComments(kNone));
        return true;
    }

    // The values of a call or declaration up to its ')': each an optional sign and a word,
    // number or string (a constant's name may be empty), separated by commas.
    bool Arguments() {
        bool valueRead = false, signRead = false;
        for (;;) {
            InsideComments();
            if (at_ >= marks_.size()) {
                return false;
            }
            bool afterComma = at_ > 0 && Is(at_ - 1, ',');
            Gap between = afterComma ? kSpace : kNone;
            if (Is(at_, ')') && !signRead) {
                PutInside(GapAfterComments(kNone));
                return true;
            }
            if (Is(at_, ',') && !signRead) {
                valueRead = false;
                PutInside(GapAfterComments(kNone));
            } else if (Is(at_, '-') && !valueRead && !signRead) {
                signRead = true;
                PutInside(GapAfterComments(between));
            } else if ((IsKind(at_, ScriptToken::kWord) || IsKind(at_, ScriptToken::kString)) &&
                       !valueRead) {
                bool afterSign = at_ > 0 && Is(at_ - 1, '-');
                valueRead = true;
                signRead = false;
                PutInside(GapAfterComments(afterSign ? kNone : between));
            } else {
                return false;
            }
        }
    }

    // A call: its keyword (empty where a typedef declared the empty name), its arguments, and
    // then a ';' or the '{' of a block.
    bool Call() {
        if (IsKind(at_, ScriptToken::kWord)) {
            Put(marks_[at_]);
            InsideComments();
        }
        if (!Is(at_, '(')) {
            return false;
        }
        PutInside(GapAfterComments(kNone));
        if (!Arguments()) {
            return false;
        }
        size_t after = at_;
        while (IsCommentAt(after)) {
            ++after;
        }
        if (!Is(after, '{') && !Is(after, ';')) {
            return true; // the comments after it belong to the statement level
        }
        InsideComments();
        bool opening = Is(at_, '{');
        PutInside(opening ? kSpace : GapAfterComments(kNone));
        if (opening) {
            if (depth_ >= kMostOpenBlocks) {
                return false;
            }
            ++depth_;
            blockOpened_ = true;
        }
        return true;
    }

    std::string_view text_;
    std::vector<Mark> marks_;
    std::string newline_;
    std::string out_;
    std::vector<Sync> syncs_;
    size_t at_ = 0;
    int depth_ = 0;
    bool lineStart_ = true;    // the output ends with a line end, or is empty
    uint32_t lineOutput_ = 0;  // where the output line being written starts
    bool blockOpened_ = false; // the item before was a '{'
};

// The offset where line `line` (from 1) starts, or the end of the text. A line ends with an
// LF, or with a CR that no LF follows.
uint32_t LineOffset(std::string_view text, uint32_t line) {
    uint32_t at = 0;
    for (uint32_t seen = 1; seen < line && at < text.size(); ++at) {
        seen += text[at] == '\n' ||
                (text[at] == '\r' && (at + 1 == text.size() || text[at + 1] != '\n'));
    }
    return at;
}

// The text laid out, or null when it is left alone. A second run takes its new line ends from
// the first line end of this one's output, which may be the one of a line comment rather than
// the text's first (a blank line before it went): then they are taken from there at once, so
// that the second run changes nothing.
std::unique_ptr<Layout> LaidOut(std::string_view text) {
    if (text.size() >= UINT32_MAX) {
        return nullptr;
    }
    auto layout = std::make_unique<Layout>(text, "");
    if (!layout->Run()) {
        return nullptr;
    }
    const std::string& output = layout->Output();
    std::string first = FirstLineEnd(output, ScanScriptTokens(output));
    if (first != layout->Newline()) {
        layout = std::make_unique<Layout>(text, first);
        layout->Run();
    }
    return layout;
}

} // namespace

std::optional<std::string> FormatScript(std::string_view text) {
    std::unique_ptr<Layout> layout = LaidOut(text);
    if (!layout) {
        return std::nullopt;
    }
    return layout->Output();
}

std::optional<ScriptEdit> FormatScriptLines(std::string_view text, uint32_t first, uint32_t last) {
    std::unique_ptr<Layout> layout = LaidOut(text);
    if (!layout) {
        return std::nullopt;
    }
    uint32_t from = LineOffset(text, std::max(first, 1u));
    uint32_t to = LineOffset(text, std::max(last, first));
    const std::vector<Sync>& syncs = layout->Syncs();
    Sync start = syncs.front(), end = syncs.back();
    for (const Sync& sync : syncs) {
        if (sync.source <= from) {
            start = sync;
        }
    }
    for (auto sync = syncs.rbegin(); sync != syncs.rend(); ++sync) {
        if (sync->source > to) {
            end = *sync;
        }
    }
    return ScriptEdit{start.source, end.source,
                      layout->Output().substr(start.output, end.output - start.output)};
}
