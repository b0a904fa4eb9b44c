#include "tools/lsp/check_findings.h"

#include "script/parser.h"
#include "tools/parse_watcher.h"

namespace {

CheckPlace PlaceOf(const Diagnostic& d) {
    CheckPlace place;
    place.path = d.file;
    place.line = d.line > 0 ? d.line - 1 : -1;
    place.column = d.column > 0 ? d.column - 1 : 0;
    return place;
}

// Why a parse that reported no error gave no entries, as the check says it of a file.
std::string WhyNothing(const std::string& path, const std::string& bytes) {
    if (path.size() >= sizeof ScriptSource::path) {
        return "the path is longer than " + std::to_string(sizeof ScriptSource::path - 1) +
               " characters, more than the parser reads";
    }
    if (bytes.empty()) {
        return "the file is empty";
    }
    ScriptSource source(path.c_str(), bytes.data(), bytes.size());
    if (source.SkipBlanks() == -1) {
        return "the file holds no statements, only blanks and comments";
    }
    return "the file holds declarations only: no keyword is called, so no entry comes back";
}

} // namespace

std::vector<CheckFinding> CheckDocument(const std::string& path, const std::string& bytes,
                                        std::vector<std::string>* filesRead) {
    std::vector<CheckFinding> findings;
    ParseWatcher watcher;
    ScriptEntry* entries = ParseScriptBuffer(path.c_str(), bytes.data(), bytes.size());
    if (!entries && watcher.ParseFailed()) {
        watcher.ExplainFailure(path.c_str());
    } else if (!entries) {
        Diagnostic nothing;
        nothing.file = path;
        nothing.message = WhyNothing(path, bytes) + "; the launcher keeps its defaults";
        watcher.Add(nothing);
    }
    delete entries;
    *filesRead = watcher.FilesStarted();
    for (const Diagnostic& d : watcher.Diagnostics()) {
        if (d.severity == Diagnostic::kNote && !findings.empty()) {
            findings.back().notes.push_back({PlaceOf(d), d.message});
            continue;
        }
        CheckFinding finding;
        finding.severity =
            d.severity == Diagnostic::kError ? CheckFinding::kError : CheckFinding::kWarning;
        finding.place = PlaceOf(d);
        finding.message = d.message;
        for (const auto& [file, line] : d.includedFrom) {
            CheckPlace includer;
            includer.path = file;
            includer.line = line - 1;
            finding.notes.push_back(
                {includer, "included from " + file + ":" + std::to_string(line)});
        }
        findings.push_back(finding);
    }
    if (watcher.NotShown() > 0) {
        CheckFinding more;
        more.severity = CheckFinding::kWarning;
        more.place.path = path;
        more.message = std::to_string(watcher.NotShown()) + " more diagnostics not shown";
        findings.push_back(more);
    }
    return findings;
}
