// The language server's checks: which documents a change concerns, the parse of each as the
// check runs it, and the diagnostics it publishes for every file a fault lies in.
#include "tools/lsp/file_uri.h"
#include "tools/lsp/language_server.h"
#include "tools/lsp/server_json.h"
#include "vfs/file_name.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

using nlohmann::json;

namespace {

std::string ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool IsWordByte(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

} // namespace

bool LanguageServer::Pending() const {
    return !dirty_.empty();
}

bool LanguageServer::Overdue() const {
    for (const auto& [uri, since] : dirty_) {
        if (Clock::now() - since >= kLongestWait) {
            return true;
        }
    }
    return false;
}

void LanguageServer::CheckPending(const std::function<bool()>& newerInput) {
    while (!dirty_.empty()) {
        auto [uri, since] = *dirty_.begin(); // copies: the entry goes
        // A newer message may change the text again: it is read first, unless the edits have
        // gone on so long that the modder would see nothing.
        bool mayWait = Clock::now() - since < kLongestWait;
        if (mayWait && newerInput()) {
            return;
        }
        dirty_.erase(dirty_.begin());
        if (!Recheck(uri, mayWait ? newerInput : std::function<bool()>())) {
            dirty_.emplace(uri, since); // its result was dropped for the newer text
            return;
        }
    }
}

std::set<std::string> LanguageServer::Includers(const std::string& uri) const {
    std::set<std::string> includers;
    const std::string& path = documents_.at(uri).path;
    for (const auto& [checked, files] : filesRead_) {
        for (size_t file = 1; checked != uri && file < files.size(); ++file) {
            if (vfsamepath(files[file].c_str(), path.c_str())) {
                includers.insert(checked);
                break;
            }
        }
    }
    return includers;
}

std::set<std::string> LanguageServer::Forget(const std::string& uri) {
    std::set<std::string> targets;
    for (const auto& [target, diagnostics] : results_[uri]) {
        targets.insert(target);
    }
    results_.erase(uri);
    return targets;
}

bool LanguageServer::Recheck(const std::string& uri, const std::function<bool()>& newerInput) {
    indexes_.clear();
    std::set<std::string> includers = Includers(uri);
    if (includers.empty()) {
        return Check(uri, newerInput);
    }
    for (const std::string& includer : includers) {
        if (!Check(includer, newerInput)) {
            return false;
        }
    }
    return true;
}

void LanguageServer::RefreshBytes() {
    for (auto& [uri, document] : documents_) {
        if (document.stale) {
            document.bytes = FromUtf8(document.text.Text(), codePage_);
            document.stale = false;
        }
    }
}

bool LanguageServer::Check(const std::string& uri, const std::function<bool()>& newerInput) {
    RefreshBytes(); // the parse may read any of them
    Document& document = documents_.at(uri);
    std::vector<std::string> before;
    for (const auto& [open, other] : documents_) {
        if (open != uri && results_.count(open) == 0) {
            before.push_back(open); // checked through their includers
        }
    }
    std::vector<CheckFinding> findings =
        CheckDocument(document.path, document.bytes, &filesRead_[uri]);
    if (newerInput && newerInput()) {
        return false;
    }
    std::set<std::string> targets = Forget(uri);
    std::map<std::string, TextDocument> read;
    std::map<std::string, json> results;
    results[uri] = json::array();
    for (const CheckFinding& finding : findings) {
        std::string target = finding.place.path.empty() ? uri : UriOfPath(finding.place.path);
        if (!results.count(target)) {
            results[target] = json::array();
        }
        results[target].push_back(Diagnostic(finding, target, read));
    }
    for (const auto& [target, diagnostics] : results) {
        targets.insert(target);
    }
    results_[uri] = std::move(results);
    // The open documents it includes are checked through it, in its context, from now on.
    for (const auto& [open, other] : documents_) {
        if (open != uri && results_.count(open) && !Includers(open).empty()) {
            std::set<std::string> theirs = Forget(open);
            targets.insert(theirs.begin(), theirs.end());
        }
    }
    Publish(targets);
    // Those it no longer includes, nor any other, are checked on their own again.
    for (const std::string& open : before) {
        if (Includers(open).empty()) {
            Check(open);
        }
    }
    return true;
}

std::string LanguageServer::UriOfPath(const std::string& path) const {
    for (const auto& [uri, document] : documents_) {
        if (vfsamepath(document.path.c_str(), path.c_str())) {
            return uri;
        }
    }
    return FileUriOfPath(path);
}

const TextDocument& LanguageServer::TextOf(const std::string& uri,
                                           std::map<std::string, TextDocument>& read) {
    auto open = documents_.find(uri);
    if (open != documents_.end()) {
        return open->second.text;
    }
    auto found = read.find(uri);
    if (found == read.end()) {
        std::string path;
        std::string bytes = PathOfFileUri(uri, &path) ? ReadFileBytes(path) : "";
        found = read.emplace(uri, TextDocument(ToUtf8(bytes, codePage_))).first;
    }
    return found->second;
}

json LanguageServer::Range(const CheckPlace& place, const std::string& uri,
                           std::map<std::string, TextDocument>& read) {
    TextPosition start, end;
    if (place.line >= 0) {
        const TextDocument& text = TextOf(uri, read);
        start = text.PositionOfCodePoint(place.line, place.column);
        if (place.endLine > place.line ||
            (place.endLine == place.line && place.endColumn > place.column)) {
            return {
                {"start", PositionJson(start)},
                {"end", PositionJson(text.PositionOfCodePoint(place.endLine, place.endColumn))}};
        }
        // The word there, so that an editor marks the name it is about; else one character.
        size_t from = text.OffsetOf(start), to = from;
        while (to < text.Text().size() && IsWordByte(text.Text()[to])) {
            ++to;
        }
        long length = std::max(1L, long(to - from));
        end = text.PositionOfCodePoint(place.line, place.column + length);
    }
    return {{"start", PositionJson(start)}, {"end", PositionJson(end)}};
}

json LanguageServer::Diagnostic(const CheckFinding& finding, const std::string& uri,
                                std::map<std::string, TextDocument>& read) {
    json diagnostic = {{"range", Range(finding.place, uri, read)},
                       {"severity", int(finding.severity)},
                       {"source", "ferrox-script"},
                       {"message", MessageAsUtf8(finding.message, codePage_)}};
    if (!finding.code.empty()) {
        diagnostic["code"] = finding.code;
    }
    json related = json::array();
    std::string message = MessageAsUtf8(finding.message, codePage_);
    for (const CheckNote& note : finding.notes) {
        std::string noteUri = note.place.path.empty() ? uri : UriOfPath(note.place.path);
        related.push_back(
            {{"location", {{"uri", noteUri}, {"range", Range(note.place, noteUri, read)}}},
             {"message", MessageAsUtf8(note.message, codePage_)}});
        message += "\nnote: " + MessageAsUtf8(note.message, codePage_);
        // Where the note is about another line of the file, the line; of another file, both.
        if (note.place.line < 0 || note.namesPlace) {
            continue;
        }
        std::string line = std::to_string(note.place.line + 1);
        if (noteUri != uri) {
            message += " (" + MessageAsUtf8(note.place.path, codePage_) + ":" + line + ")";
        } else if (note.place.line != finding.place.line) {
            message += " (line " + line + ")";
        }
    }
    if (relatedInformation_ && !related.empty()) {
        diagnostic["relatedInformation"] = related;
    } else {
        diagnostic["message"] = message;
    }
    return diagnostic;
}

void LanguageServer::Publish(const std::set<std::string>& targets) {
    for (const std::string& target : targets) {
        json diagnostics = json::array();
        for (const auto& [checked, results] : results_) {
            auto found = results.find(target);
            if (found != results.end()) {
                diagnostics.insert(diagnostics.end(), found->second.begin(), found->second.end());
            }
        }
        json params = {{"uri", target}, {"diagnostics", diagnostics}};
        auto open = documents_.find(target);
        if (open != documents_.end()) {
            params["version"] = open->second.version;
        }
        Send(json{
            {"jsonrpc", "2.0"}, {"method", "textDocument/publishDiagnostics"}, {"params", params}});
    }
}
