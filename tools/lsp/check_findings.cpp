#include "tools/lsp/check_findings.h"

#include "tools/script_check.h"

#include <algorithm>

namespace {

CheckPlace FindingPlace(const Diagnostic& d) {
    CheckPlace place;
    place.path = d.file;
    place.line = d.start.line > 0 ? d.start.line - 1 : -1;
    place.column = d.start.column > 0 ? d.start.column - 1 : 0;
    if (d.end.line > 0) {
        place.endLine = d.end.line - 1;
        place.endColumn = d.end.column > 0 ? d.end.column - 1 : 0;
    }
    return place;
}

} // namespace

std::vector<CheckFinding> CheckDocument(const std::string& path, const std::string& bytes,
                                        std::vector<std::string>* filesRead) {
    CheckResult result = CheckScript(path, bytes, CheckOptions{});
    *filesRead = result.filesRead;
    std::vector<CheckFinding> findings;
    for (const Diagnostic& d : result.diagnostics) {
        CheckFinding finding;
        finding.severity =
            d.severity == Diagnostic::kError ? CheckFinding::kError : CheckFinding::kWarning;
        finding.place = FindingPlace(d);
        finding.code = d.code;
        finding.message = d.message;
        for (const Diagnostic& note : d.notes) {
            finding.notes.push_back({FindingPlace(note), note.message});
        }
        for (const auto& [file, line] : d.includedFrom) {
            CheckPlace includer;
            includer.path = file;
            includer.line = line - 1;
            finding.notes.push_back(
                {includer, "included from " + file + ":" + std::to_string(line), true});
        }
        findings.push_back(finding);
    }
    if (result.notShown > 0) {
        CheckFinding more;
        more.severity = CheckFinding::kWarning;
        more.place.path = path;
        more.message = std::to_string(result.notShown) + " more diagnostics not shown";
        findings.push_back(more);
    }
    return findings;
}

bool DocumentParses(const std::string& path, const std::string& bytes) {
    CheckResult result = CheckScript(path, bytes, CheckOptions{});
    return std::none_of(result.diagnostics.begin(), result.diagnostics.end(),
                        [](const Diagnostic& d) {
                            return d.severity == Diagnostic::kError && d.code != "no-entries";
                        });
}
