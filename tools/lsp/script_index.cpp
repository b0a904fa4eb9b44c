#include "tools/lsp/script_index.h"

#include "script/language.h"
#include "script/parse_events.h"
#include "script/parser.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

namespace {

// Builds an index from the events of one parse.
class Indexer {
public:
    explicit Indexer(ScriptIndex* index) : index_(index) {
        SetParseEventHook(&Indexer::OnEvent, this);
    }
    ~Indexer() { SetParseEventHook(nullptr); }

private:
    struct Block {
        int owner;                 // the call that opened it, -1 for a file's top level
        std::vector<int> keywords; // declared in it
    };

    static void OnEvent(const ParseEvent& event, void* context) {
        static_cast<Indexer*>(context)->Watch(event);
    }
    void Watch(const ParseEvent& event);
    void Mark(const ParseEvent& event) {
        if (event.source) {
            index_->marks.push_back({event.source->path, event.at, step_});
        }
    }
    // The end of the name at `at` of the source.
    static uint32_t WordEnd(const ScriptSource& source, uint32_t at) {
        uint32_t end = at;
        while (end < source.size && IsWordByte(source.buffer[end])) {
            ++end;
        }
        return end;
    }
    static std::string Written(const ScriptSource& source, const IndexSpot& spot) {
        return std::string(reinterpret_cast<const char*>(source.buffer) + spot.at,
                           spot.end - spot.at);
    }
    static bool IsWordByte(unsigned char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               c == '_';
    }
    // Past the ')' that follows `from`, or `from` when none is near.
    static uint32_t CallEnd(const ScriptSource& source, uint32_t from) {
        for (uint32_t at = from; at < source.size && at < from + 4096; ++at) {
            if (source.buffer[at] == ')') {
                return at + 1;
            }
        }
        return from;
    }

    ScriptIndex* index_;
    long step_ = 0;
    std::vector<Block> blocks_ = {{-1, {}}};
    std::map<const void*, int> keywordOf_; // typedefs in force, by address
    int lastCall_ = -1;
    size_t arguments_ = 0; // in all calls
    bool argumentOpen_ = false;
    IndexedArgument argument_;
    const ScriptSource* includer_ = nullptr; // the file whose include is being resolved
};

// What an index of a hostile file may hold: past this many calls, or arguments in all, the rest
// are not indexed, as past this many keywords, constants or includes.
const size_t kMostIndexed = 1000000;

// The events that change what is in force; the steps of the others need no mark.
bool ChangesScope(ParseEvent::Kind kind) {
    return kind == ParseEvent::kKeywordDeclared || kind == ParseEvent::kConstDefined ||
           kind == ParseEvent::kBlockStarted || kind == ParseEvent::kBlockEnded ||
           kind == ParseEvent::kFileStarted || kind == ParseEvent::kFileEnded;
}

void Indexer::Watch(const ParseEvent& event) {
    ++step_;
    if (ChangesScope(event.kind) && index_->marks.size() < kMostIndexed) {
        Mark(event);
    }
    const ScriptSource* source = event.source;
    bool full = index_->calls.size() + arguments_ >= kMostIndexed ||
                index_->keywords.size() >= kMostIndexed ||
                index_->constants.size() >= kMostIndexed || index_->includes.size() >= kMostIndexed;
    // Blocks are followed to the end, so that what is indexed keeps its scopes.
    if (full && event.kind != ParseEvent::kBlockStarted && event.kind != ParseEvent::kBlockEnded) {
        return;
    }
    switch (event.kind) {
    case ParseEvent::kKeywordDeclared: {
        IndexedKeyword keyword;
        keyword.name = event.subject;
        keyword.kinds = event.detail;
        keyword.spot = {source->path, event.at, WordEnd(*source, event.at)};
        keyword.spelling = Written(*source, keyword.spot);
        keyword.declared = step_;
        keywordOf_[event.type] = int(index_->keywords.size());
        blocks_.back().keywords.push_back(int(index_->keywords.size()));
        index_->keywords.push_back(keyword);
        break;
    }
    case ParseEvent::kConstDefined: {
        IndexedConstant constant;
        constant.name = event.subject;
        constant.kind = event.value ? event.value->kind : 0;
        constant.value = ShownValue(event.value);
        constant.spot = {source->path, event.at, WordEnd(*source, event.at)};
        constant.spelling = Written(*source, constant.spot);
        constant.defined = step_;
        index_->constants.push_back(constant);
        break;
    }
    case ParseEvent::kCall: {
        IndexedCall call;
        auto found = keywordOf_.find(event.type);
        call.keyword = found == keywordOf_.end() ? -1 : found->second;
        call.name = {source->path, event.at, WordEnd(*source, event.at)};
        call.step = step_;
        call.parent = blocks_.back().owner;
        call.end = call.name.end;
        lastCall_ = int(index_->calls.size());
        index_->calls.push_back(call);
        break;
    }
    case ParseEvent::kArgument:
        argument_ = IndexedArgument();
        argument_.spot = {source->path, event.at, event.at};
        argument_.kind = event.parameter ? event.parameter->kind : 0;
        if (LiteralKindAt(source->buffer, source->size, event.at) < 0) {
            std::string name(reinterpret_cast<const char*>(source->buffer) + event.at,
                             WordEnd(*source, event.at) - event.at);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return char(std::tolower(c)); });
            for (int c = int(index_->constants.size()) - 1; c >= 0; --c) {
                if (index_->constants[c].name == name) {
                    argument_.constant = c;
                    break;
                }
            }
        }
        argumentOpen_ = true;
        break;
    case ParseEvent::kArgumentRead:
        if (argumentOpen_ && lastCall_ >= 0) {
            argument_.spot.end = event.at;
            argument_.value = event.value ? ShownValue(event.value) : "";
            IndexedCall& call = index_->calls[lastCall_];
            call.arguments.push_back(argument_);
            ++arguments_;
            call.end = CallEnd(*source, event.at);
        }
        argumentOpen_ = false;
        break;
    case ParseEvent::kBlockStarted:
        if (lastCall_ >= 0) {
            index_->calls[lastCall_].block = true;
        }
        blocks_.push_back({lastCall_, {}});
        break;
    case ParseEvent::kBlockEnded:
        if (blocks_.size() > 1) {
            for (int keyword : blocks_.back().keywords) {
                index_->keywords[keyword].until = step_;
            }
            if (blocks_.back().owner >= 0) {
                index_->calls[blocks_.back().owner].end = event.at + (event.closed ? 1 : 0);
            }
            blocks_.pop_back();
        }
        break;
    case ParseEvent::kIncludeName: {
        IndexedInclude include;
        include.name = {source->path, event.at, event.at};
        index_->includes.push_back(include);
        includer_ = source;
        break;
    }
    case ParseEvent::kIncludeNameRead:
        if (!index_->includes.empty()) {
            index_->includes.back().name.end = source->position;
        }
        break;
    case ParseEvent::kFileMissing:
    case ParseEvent::kFileFromArchive:
        if (includer_ && !index_->includes.empty()) {
            index_->includes.back().where = event.kind == ParseEvent::kFileMissing
                                                ? IndexedInclude::kMissing
                                                : IndexedInclude::kArchive;
            index_->includes.back().path = event.subject;
        }
        break;
    case ParseEvent::kFileStarted:
        if (includer_ && !index_->includes.empty() && index_->includes.back().path.empty()) {
            index_->includes.back().path = source->path;
        }
        includer_ = nullptr;
        break;
    default:
        break;
    }
}

} // namespace

bool IndexSpot::Holds(const std::string& file, uint32_t offset) const {
    return path == file && offset >= at && offset <= end;
}

std::string IndexedKeyword::Declaration() const {
    std::string text = "!" + spelling + "(";
    for (size_t kind = 0; kind < kinds.size(); ++kind) {
        text += (kind ? ", " : "") + std::string(1, kinds[kind]);
    }
    return text + ")";
}

std::string ShownValue(const ScriptValue* value) {
    if (!value) {
        return "";
    }
    char text[64];
    switch (value->kind) {
    case kIntKind:
        std::snprintf(text, sizeof text, "%ld", long(static_cast<const IntValue*>(value)->value));
        return text;
    case kFloatKind:
        std::snprintf(text, sizeof text, "%.9g",
                      double(static_cast<const FloatValue*>(value)->value));
        return text;
    default: {
        // Control bytes shown as escapes, so that a tab or a line end the game reads shows.
        std::string shown = "\"";
        for (const char* c = static_cast<const StringValue*>(value)->text; c && *c; ++c) {
            unsigned char b = static_cast<unsigned char>(*c);
            if (b >= 0x20 && b != 0x7F) {
                shown += *c;
            } else {
                char escape[8];
                std::snprintf(escape, sizeof escape,
                              b == '\t'   ? "\\t"
                              : b == '\r' ? "\\r"
                              : b == '\n' ? "\\n"
                                          : "\\x%02X",
                              b);
                shown += escape;
            }
        }
        return shown + "\"";
    }
    }
}

ScriptIndex ScriptIndex::Build(const std::string& path, const std::string& bytes) {
    ScriptIndex index;
    {
        Indexer indexer(&index);
        delete ParseScriptBuffer(path.c_str(), bytes.data(), bytes.size());
    }
    return index;
}

long ScriptIndex::StepAt(const std::string& path, uint32_t offset) const {
    long step = 0;
    for (const Mark& mark : marks) {
        if (mark.path == path && mark.at <= offset) {
            step = mark.step;
        }
    }
    return step;
}

std::vector<int> ScriptIndex::KeywordsAt(long step) const {
    std::vector<int> found;
    std::set<std::string> names;
    for (int k = int(keywords.size()) - 1; k >= 0; --k) {
        const IndexedKeyword& keyword = keywords[k];
        bool inForce = keyword.declared <= step && (keyword.until < 0 || keyword.until > step);
        if (inForce && names.insert(keyword.name).second) {
            found.push_back(k);
        }
    }
    return found;
}

std::vector<int> ScriptIndex::ConstantsAt(long step) const {
    std::vector<int> found;
    std::set<std::string> names;
    for (int c = int(constants.size()) - 1; c >= 0; --c) {
        if (constants[c].defined <= step && names.insert(constants[c].name).second) {
            found.push_back(c);
        }
    }
    return found;
}
