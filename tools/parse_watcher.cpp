#include "tools/parse_watcher.h"

#include "platform/win32.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

ParseWatcher* watcher = nullptr;

bool IsWordByte(int c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsLineEndByte(int c) {
    return c == '\r' || c == '\n';
}

// The source reader's own rule: a CR, or an LF that does not directly follow a CR.
bool EndsLine(const ScriptSource& source, uint32_t at) {
    unsigned char c = source.buffer[at];
    return c == '\r' || (c == '\n' && (at == 0 || source.buffer[at - 1] != '\r'));
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return text;
}

// Edits that turn one name into the other; names are at most 31 bytes.
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

// The closest of `names` to `word` within a third of its length (at least one edit), or "".
template <typename Names> std::string Nearest(const std::string& word, const Names& names) {
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

const char* WantedKind(int32_t kind) {
    return kind == kIntKind ? "an integer" : kind == kFloatKind ? "a decimal number" : "a string";
}

char KindLetter(int32_t kind) {
    return kind == kIntKind ? 'i' : kind == kFloatKind ? 'f' : 's';
}

// What the text at `start` is, as a kind and a description; kind -1 when it is none of them.
std::pair<int32_t, std::string> WrittenKind(const ScriptSource& source, uint32_t start) {
    if (start >= source.size) {
        return {-1, ""};
    }
    const unsigned char* text = source.buffer;
    uint32_t at = start;
    if (text[at] == '"') {
        return {kStringKind, "a string"};
    }
    if (text[at] == '-' || (text[at] >= '0' && text[at] <= '9')) {
        for (++at; at < source.size && text[at] >= '0' && text[at] <= '9'; ++at) {
        }
        return at < source.size && text[at] == '.' ? std::make_pair(kFloatKind, "a decimal number")
                                                   : std::make_pair(kIntKind, "an integer");
    }
    std::string word;
    for (; at < source.size && IsWordByte(text[at]) && word.size() < 32; ++at) {
        word += char(text[at]);
    }
    const ScriptEntry* constant = word.empty() ? nullptr : source.FindConst(word.c_str());
    if (!constant || !constant->values) {
        return {-1, ""};
    }
    int32_t kind = constant->values->kind;
    return {kind, "the constant '" + word + "', " + WantedKind(kind)};
}

} // namespace

ParseWatcher::ParseWatcher() {
    watcher = this;
    SetParseEventHook(&ParseWatcher::OnEvent);
}

ParseWatcher::~ParseWatcher() {
    SetParseEventHook(nullptr);
    watcher = nullptr;
}

void ParseWatcher::OnEvent(const ParseEvent& event) {
    ParseWatcher& self = *watcher;
    const ScriptSource& source = *event.source;
    switch (event.kind) {
    case ParseEvent::kFileStarted:
        self.FileStarted(source);
        break;
    case ParseEvent::kFileEnded:
        self.files_.pop_back();
        if (self.argument_.source == &source) {
            self.argument_ = Argument(); // the source goes, and another may take its address
        }
        break;
    case ParseEvent::kBlockStarted:
        self.files_.back().braces.push_back({source.position - 1, source.line});
        break;
    case ParseEvent::kBlockEnded:
        self.argument_ = Argument(); // the block's typedefs, which it points into, are gone
        self.BlockEnded(source, event.closed);
        break;
    case ParseEvent::kArgument:
        self.argument_ = {&source, event.type, event.parameter, source.position, 0, true};
        break;
    case ParseEvent::kArgumentRead:
        self.argument_.reading = false;
        self.argument_.end = source.position;
        if (source.AtEnd() && self.errors_ == 0) {
            self.failure_ =
                self.At(source, source.size, Diagnostic::kError,
                        "the file ends where " + self.ArgumentName(self.argument_) + " should be");
        }
        break;
    case ParseEvent::kIncludeName:
        // A quoted name fails only where the end of the file cuts it, which ends the parse.
        if (source.position >= source.size || source.buffer[source.position] != '"') {
            self.includeName_ = &source;
            self.includeNameStart_ = source.position;
        }
        break;
    case ParseEvent::kIncludeNameRead:
        self.includeName_ = nullptr;
        break;
    case ParseEvent::kReport:
        self.Reported(source, event.message);
        break;
    }
}

void ParseWatcher::FileStarted(const ScriptSource& source) {
    filesStarted_.push_back(source.path);
    files_.push_back(
        {&source, source.path, files_.empty() ? 0 : int(files_.back().source->line), {}});
    for (uint32_t at = 0; at + 1 < source.size; ++at) {
        if (source.buffer[at] == '!') {
            std::string name;
            for (++at; at < source.size && IsWordByte(source.buffer[at]) && name.size() < 32;
                 ++at) {
                name += char(source.buffer[at]);
            }
            name = Lower(name);
            if (!name.empty() && name != "include" && declared_.size() < kMostRemembered) {
                declared_.insert(name);
            }
        }
    }
    if (source.size >= 3 && std::memcmp(source.buffer, "\xEF\xBB\xBF", 3) == 0) {
        Add(At(source, 0, Diagnostic::kWarning,
               "the file starts with a UTF-8 byte-order mark, which the parser reads as text; "
               "save it as UTF-8 without one"));
    }
    for (uint32_t at = 0; at < source.size; ++at) {
        if (source.buffer[at] == '\r' && (at + 1 == source.size || source.buffer[at + 1] != '\n')) {
            Add(At(source, at, Diagnostic::kWarning,
                   "a line ends in a carriage return alone; a '//' comment runs on to the next "
                   "line feed, so save the file with CR LF or LF line ends"));
            break;
        }
    }
    if (files_.size() > 1 && source.size == 0) {
        _finddata_t found;
        intptr_t search = _findfirst(source.path, &found);
        if (search == -1) {
            // The warning belongs to the include statement, just read in the file below.
            const ScriptSource& includer = *files_[files_.size() - 2].source;
            Add(At(includer, includer.position > 0 ? includer.position - 1 : 0,
                   Diagnostic::kWarning,
                   "include file '" + std::string(source.path) + "' not found; it is skipped"));
        } else {
            _findclose(search);
        }
    }
}

void ParseWatcher::BlockEnded(const ScriptSource& source, bool closed) {
    auto brace = files_.back().braces.back();
    files_.back().braces.pop_back();
    if (!closed && errors_ == 0) {
        Add(At(source, brace.first, Diagnostic::kWarning,
               "the block opened in line " + std::to_string(brace.second) +
                   " is still open at the end of the file: every entry after its '{' becomes "
                   "its child",
               brace.second));
    }
}

void ParseWatcher::Reported(const ScriptSource& source, const std::string& message) {
    if (includeName_ == &source) {
        IncludeSkipped(source, message);
        return;
    }
    bool warning = message == "its not c!"; // the other report after which the parse goes on
    if (Full()) {
        ++notShown_;
        ++(warning ? warnings_ : errors_);
        droppingNotes_ = true;
        return;
    }
    const std::string keyword = "unknown keyword ";
    uint32_t at;
    if (argument_.reading && argument_.source == &source) {
        at = argument_.start;
    } else if (message == "unknown keyword " ||
               (message.size() >= 3 && message.compare(message.size() - 3, 3, " ''") == 0)) {
        at = source.position; // the word is empty: the culprit is the byte after it
    } else if (message.compare(0, keyword.size(), keyword) == 0 &&
               message.size() - keyword.size() <= source.position) {
        at = source.position -
             uint32_t(message.size() - keyword.size()); // word bytes may precede it
    } else {
        at = source.position > 0 ? source.position - 1 : 0;
        while (at > 0 && IsWordByte(source.buffer[at]) && IsWordByte(source.buffer[at - 1])) {
            --at;
        }
    }
    Add(At(source, at, warning ? Diagnostic::kWarning : Diagnostic::kError, message));
    if (!warning) {
        AddNotes(source, message, at);
    }
}

void ParseWatcher::IncludeSkipped(const ScriptSource& source, const std::string& message) {
    Add(At(source, includeNameStart_, Diagnostic::kWarning, message));
    Diagnostic resumed = At(source, source.position, Diagnostic::kNote,
                            "the include is skipped, and the parse goes on here");
    resumed.showLine = source.position != includeNameStart_;
    resumed.includedFrom.clear();
    Add(resumed);
}

void ParseWatcher::AddNotes(const ScriptSource& source, const std::string& message, uint32_t at) {
    auto note = [&](uint32_t place, const std::string& text) {
        Diagnostic diagnostic = At(source, place, Diagnostic::kNote, text);
        diagnostic.showLine = place != at;
        diagnostic.includedFrom.clear();
        Add(diagnostic);
    };
    const std::string keyword = "unknown keyword ", constant = "unknown const name '";
    if (message.compare(0, keyword.size(), keyword) == 0 && message.size() > keyword.size()) {
        std::string name = message.substr(keyword.size());
        std::string nearest = Nearest(name, declared_);
        if (declared_.count(name)) {
            note(at, "'" + name +
                         "' is declared, but not where this line can see it: a keyword "
                         "holds after its '!' line, and inside a block only up to its '}'");
        } else if (!nearest.empty()) {
            note(at, "did you mean '" + nearest + "'?");
        }
    } else if (message == keyword && at < source.size) {
        unsigned char c = source.buffer[at];
        char shown[32];
        std::snprintf(shown, sizeof shown, c > ' ' && c < 0x7F ? "'%c'" : "the byte 0x%02X", c);
        note(at, "a statement starts with a keyword, not with " + std::string(shown));
    } else if (message.compare(0, constant.size(), constant) == 0 &&
               message.size() > constant.size() + 1) {
        std::vector<std::string> names;
        for (const ScriptEntry* known = source.Constants(); known && names.size() < kMostRemembered;
             known = known->next) {
            names.push_back(known->name);
        }
        std::string nearest = Nearest(
            Lower(message.substr(constant.size(), message.size() - constant.size() - 1)), names);
        if (!nearest.empty()) {
            note(at, "did you mean '" + nearest + "'?");
        }
    }
    if (argument_.source != &source) {
        return;
    }
    int32_t wanted = argument_.parameter->kind;
    if (argument_.reading) {
        auto written = WrittenKind(source, argument_.start);
        if (written.first >= 0 && written.first != wanted) {
            std::string declaration = "!" + std::string(argument_.type->name) + "(";
            for (const ScriptValue* p = argument_.type->values; p; p = p->next) {
                declaration += p == argument_.type->values ? "" : ", ";
                declaration += KindLetter(p->kind);
            }
            note(at, ArgumentName(argument_) + " is " + written.second + "; '" + declaration +
                         ")' wants " + WantedKind(wanted));
        }
    }
    // A string whose closing quote is missing takes in the next line, and the fault shows there.
    uint32_t end = argument_.reading ? source.position : argument_.end;
    const unsigned char* text = source.buffer;
    if (wanted == kStringKind && argument_.start < source.size && text[argument_.start] == '"' &&
        std::any_of(text + argument_.start, text + end, IsLineEndByte) &&
        std::none_of(text + end, text + source.position, IsLineEndByte)) {
        note(argument_.start, "the string of " + ArgumentName(argument_) +
                                  " runs over a line end from here: is its closing quote missing?");
    }
}

std::string ParseWatcher::ArgumentName(const Argument& argument) const {
    int number = 1;
    for (const ScriptValue* p = argument.type->values; p && p != argument.parameter; p = p->next) {
        ++number;
    }
    return "argument " + std::to_string(number) + " of '" + argument.type->name + "'";
}

Diagnostic ParseWatcher::At(const ScriptSource& source, uint32_t at, Diagnostic::Severity severity,
                            const std::string& message, int32_t knownLine) const {
    Diagnostic diagnostic;
    diagnostic.severity = severity;
    diagnostic.file = source.path;
    diagnostic.message = message;
    at = std::min(at, source.size);
    int32_t line = knownLine;
    if (line == 0) {
        line = source.line;
        for (uint32_t i = at; i < source.position; ++i) {
            line -= EndsLine(source, i);
        }
        for (uint32_t i = source.position; i < at; ++i) {
            line += EndsLine(source, i);
        }
    }
    uint32_t start = at, end = at;
    while (start > 0 && !IsLineEndByte(source.buffer[start - 1])) {
        --start;
    }
    while (end < source.size && !IsLineEndByte(source.buffer[end])) {
        ++end;
    }
    diagnostic.line = int(line);
    diagnostic.column = int(at - start + 1);
    diagnostic.showLine = true;
    if (source.buffer) {
        diagnostic.lineText.assign(reinterpret_cast<const char*>(source.buffer) + start,
                                   end - start);
    }
    for (size_t i = files_.size(); i-- > 1;) {
        if (files_[i].source == &source) {
            for (size_t j = i; j > 0; --j) {
                diagnostic.includedFrom.push_back({files_[j - 1].path, files_[j].includeLine});
            }
            break;
        }
    }
    return diagnostic;
}

void ParseWatcher::Add(Diagnostic diagnostic) {
    if (diagnostic.severity == Diagnostic::kNote) {
        if (!droppingNotes_) {
            shown_.push_back(std::move(diagnostic));
        }
        return;
    }
    ++(diagnostic.severity == Diagnostic::kError ? errors_ : warnings_);
    droppingNotes_ = Full();
    if (droppingNotes_) {
        ++notShown_;
        return;
    }
    ++shownCount_;
    shown_.push_back(std::move(diagnostic));
}

void ParseWatcher::ExplainFailure(const char* topPath) {
    if (errors_ > 0) {
        return;
    }
    if (failure_.file.empty()) {
        failure_.file = topPath;
        failure_.message = "the parse failed at the end of a file, in the middle of a statement "
                           "(a value cut off by the end of the file)";
    }
    Add(failure_);
}
