// Whole parses, one case per file in cases/: NAME.expected holds what the parse of NAME.ini
// gives, the log it writes, the number of top-level entries and the entries, one a line,
// children indented below their parent; and, after a line "record:", the entry record in hex
// when the case shows it. Include files of NAME.ini lie in the folder NAME/. NAME.ini need not
// exist: then the case is a file that is missing. Where the files would be too big or too many
// to keep, NAME.case is a recipe for them instead (see WriteRecipe), and its first file is
// parsed.
//
// Lines of entries and the source lines that reports show are cut to 100 characters, with the
// length of the whole line after them, and a run of equal messages or entries is shown once,
// after its count ("100 x ").
//
// Each case is parsed from its file and again from its bytes in memory, with the same result.
// The entries are shown through a deep copy made before the parsed ones are deleted, and they
// must dump (as ferrox-script dump does) to a file that parses back to the same record.
#include "tests/script/case_support.h"

#include "script/parser.h"
#include "tools/script_dump.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

const std::string kCases = FERROX_SCRIPT_TESTS "/cases";

// Writes the files of a recipe into the working folder; the name of the first. "file NAME"
// starts a file, and the lines after it are its content, each ended with CR LF, {COUNT*TEXT}
// written out. "file NAME * N" makes N files: %d in name and content stands for the file's
// number (0 to N-1), %n for the next one. Lines of # are comments.
std::string WriteRecipe(const std::string& recipe) {
    std::vector<std::pair<std::string, int>> files; // template and count
    std::vector<std::string> contents;
    std::istringstream lines(recipe);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("file ", 0) == 0) {
            size_t star = line.find(" * ");
            files.emplace_back(line.substr(5, star - 5),
                               star == std::string::npos ? 1 : std::stoi(line.substr(star + 3)));
            contents.emplace_back();
        } else if (!contents.empty() && line.rfind("#", 0) != 0) {
            contents.back() += Expand(line) + "\r\n";
        }
    }
    for (size_t f = 0; f < files.size(); ++f) {
        for (int i = 0; i < files[f].second; ++i) {
            auto fill = [i](const std::string& text) {
                return Replace(Replace(text, "%d", std::to_string(i)), "%n", std::to_string(i + 1));
            };
            std::ofstream(fill(files[f].first), std::ios::binary) << fill(contents[f]);
        }
    }
    return files.empty() ? "" : Replace(files[0].first, "%d", "0");
}

std::string Cut(const std::string& line) {
    return line.size() > 100 ? line.substr(0, 100) + "... (" + std::to_string(line.size()) + ")"
                             : line;
}

std::string Summary(const std::vector<std::string>& units) {
    std::string summary;
    for (size_t first = 0, last; first < units.size(); first = last) {
        for (last = first + 1; last < units.size() && units[last] == units[first];) {
            ++last;
        }
        summary += (last - first > 1 ? std::to_string(last - first) + " x " : "") + units[first];
    }
    return summary;
}

// The log's messages, each from its "[CQSParse] " or "Parser: " on, with its lines cut.
std::vector<std::string> Messages(const std::string& logged) {
    std::vector<std::string> messages;
    for (size_t at = 0; at < logged.size();) {
        size_t end = std::min(
            {logged.find("[CQSParse] ", at + 1), logged.find("Parser: ", at + 1), logged.size()});
        std::istringstream lines(logged.substr(at, end - at));
        messages.emplace_back();
        for (std::string line; std::getline(lines, line);) {
            messages.back() += (messages.back().empty() ? line : Cut(line)) + "\n";
        }
        at = end;
    }
    return messages;
}

// Recursion follows the children, whose depth the parser bounds.
void Render(const ScriptEntry* entry, size_t depth, std::vector<std::string>& lines) {
    for (; entry; entry = entry->next) {
        lines.push_back(
            Cut(std::string(2 * depth, ' ') + entry->name + "(" + ValuesText(entry->values) + ")") +
            "\n");
        Render(entry->child, depth + 1, lines);
    }
}

// What the parse gave, in the form of the expected files; takes the entries.
std::string Outcome(ScriptEntry* parsed, bool withRecord) {
    std::string outcome = Summary(Messages(Logged()));
    ScriptEntry* entries = parsed ? new ScriptEntry(*parsed) : nullptr;
    delete parsed;
    std::vector<std::string> lines;
    Render(entries, 0, lines);
    auto count =
        std::count_if(lines.begin(), lines.end(), [](auto& line) { return line[0] != ' '; });
    outcome += "entries: " + std::to_string(count) + "\n" + Summary(lines);
    if (entries) {
        std::string record = Record(*entries, "record.bin"), dump = DumpScript(entries);
        ScriptEntry* again = ParseScriptBuffer("dump.ini", dump.data(), dump.size());
        EXPECT_EQ(again ? Record(*again, "record.bin") : "", record) << "the dump:\n"
                                                                     << dump.substr(0, 2000);
        delete again;
        outcome += withRecord ? "record:\n" + Hex(record) : "";
    }
    delete entries;
    return outcome;
}

using ParseCase = CaseInFreshFolder;

TEST_P(ParseCase, GivesItsExpectedLogAndEntries) {
    const std::string name = GetParam();
    std::string top = name + ".ini";
    if (PathExists(kCases + "/" + name + ".case")) {
        top = WriteRecipe(ReadFile(kCases + "/" + name + ".case"));
    }
    for (const std::string& item : {top, name}) {
        if (PathExists(kCases + "/" + item)) {
            std::filesystem::copy(kCases + "/" + item, item,
                                  std::filesystem::copy_options::recursive);
        }
    }
    const std::string expected = ReadFile(kCases + "/" + name + ".expected");
    const bool withRecord = expected.find("\nrecord:\n") != std::string::npos;
    EXPECT_EQ(Outcome(ParseScriptFile(top.c_str()), withRecord), expected);
    std::string bytes = ReadFile(top);
    Logged().clear();
    EXPECT_EQ(Outcome(ParseScriptBuffer(top.c_str(), bytes.data(), bytes.size()), withRecord),
              expected)
        << "from memory";
}

INSTANTIATE_TEST_SUITE_P(Script, ParseCase, ::testing::ValuesIn(CaseNames(kCases, ".expected")),
                         CaseName);

} // namespace
