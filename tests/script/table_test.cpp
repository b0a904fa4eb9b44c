// The scanner, the literal readers and script values, by the tables in tables/: each line is a
// case, "OPERATION INPUT => OUTCOME"; # starts a comment line.
// skip, word, int, float and string read the INPUT bytes (quoted, see Unquote), with the
// constants maxp, speed and pack defined: SkipBlanks, ReadWord into 32 bytes, or a literal
// reader. The outcome: what they give, the bytes left unread, the line counter when it is past
// 1, each message logged.
// copy, first and record take a list of values as words: i<int>, f<decimal>, b<float bits in
// hex>, s<text>, n (a string value without text), k<kind> (a kind-only value). copy shows
// CopyValueChain's copy, which the head value's copy constructor must equal; first shows
// FirstString of an entry of these values; record that entry's record (its name is e), in hex.
// reports and events parse the INPUT bytes as the file t.ini, in a folder of its own with the
// archive tests/data/zip_tool_fixture.zip mounted, and show what the parse's events say:
// reports shows each report as its code, the file, line and column of its culprit, its subject
// and its detail; events shows every other outcome but the files and arguments read. open
// parses the file named INPUT, which does not exist, and shows both.
#include "tests/script/case_support.h"

#include "script/language.h"
#include "script/parse_events.h"
#include "script/parser.h"
#include "vfs/mount.h"

#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace {

const std::string kTables = FERROX_SCRIPT_TESTS "/tables";

// What a watched parse's events said, of the kinds asked for.
struct Watched {
    bool reports, others;
    std::string said;
};

std::string Place(const ParseEvent& event) {
    const ScriptSource& source = *event.source;
    TextPlace place = PlaceOf(source.buffer, source.size, event.at);
    return std::string(source.path) + ":" + std::to_string(place.line) + ":" +
           std::to_string(place.column);
}

std::string ReportText(const ParseEvent& event) {
    std::string text = std::string(ScriptReportRowOf(event.code).name) + " " + Place(event) + " " +
                       Quote(event.subject);
    return text + (*event.detail ? " " + Quote(event.detail) : "");
}

std::string OutcomeText(const ParseEvent& event) {
    switch (event.kind) {
    case ParseEvent::kFileMissing:
        return "missing " + Quote(event.subject) + " at " + Place(event);
    case ParseEvent::kFileFromArchive:
        return "archived " + Quote(event.subject) + " at " + Place(event);
    case ParseEvent::kValueCutOff:
        return "cut off " + Quote(event.subject) + " at " + Place(event);
    case ParseEvent::kKeywordDeclared:
        return "declared " + Quote(event.subject) + " (" + event.detail + ") at " + Place(event);
    case ParseEvent::kConstDefined:
        return "defined " + Quote(event.subject) + " " + event.detail + " " +
               ValuesText(event.value) + " at " + Place(event);
    case ParseEvent::kBlockStarted:
        return "block at " + Place(event);
    case ParseEvent::kBlockEnded:
        return (event.closed ? "closed at " : "left open at ") + Place(event);
    case ParseEvent::kParseEnded: {
        int count = 0;
        for (const ScriptEntry* entry = event.entries; entry; entry = entry->next) {
            ++count;
        }
        return event.failed ? "failed" : "entries " + std::to_string(count);
    }
    default:
        return "";
    }
}

void Watch(const ParseEvent& event, void* context) {
    Watched& watched = *static_cast<Watched*>(context);
    bool report = event.kind == ParseEvent::kReport;
    std::string text = !report && watched.others   ? OutcomeText(event)
                       : report && watched.reports ? ReportText(event)
                                                   : "";
    if (!text.empty()) {
        watched.said += (watched.said.empty() ? "" : "; ") + text;
    }
}

std::string Watch(const std::string& operation, const std::string& bytes) {
    Watched watched{operation != "events", operation != "reports", ""};
    std::string name = operation == "open" ? bytes : "t.ini";
    if (operation != "open") {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    EXPECT_EQ(vfmount(FERROX_TEST_DATA "/zip_tool_fixture.zip"), kMountOk);
    SetParseEventHook(&Watch, &watched);
    delete ParseScriptFile(name.c_str());
    SetParseEventHook(nullptr);
    vfunmount(FERROX_TEST_DATA "/zip_tool_fixture.zip");
    return watched.said;
}

std::string Read(const std::string& operation, const std::string& bytes) {
    const std::string constants = "$maxp(i, 4) $speed(f, 2.5) $pack(s, \"code\")";
    ScriptSource source("table", bytes.data(), bytes.size());
    ScriptSource definitions("constants", constants.data(), constants.size());
    for (ParseContext parse; definitions.SkipBlanks() == 0 && definitions.GetChar() == '$';) {
        ParseConstDef(&definitions, &parse);
    }
    source.TakeConstants(definitions);
    Logged().clear();
    int32_t error = 0;
    ScriptValue* value = nullptr;
    std::string outcome;
    if (operation == "skip") {
        outcome = std::to_string(source.SkipBlanks());
    } else if (operation == "word") {
        char word[32];
        outcome = std::to_string(source.ReadWord(word, sizeof word));
        outcome += " " + Quote(word);
    } else {
        if (operation == "int") {
            value = source.ParseIntLiteral(&error);
        } else if (operation == "float") {
            value = source.ParseFloatLiteral(&error);
        } else if (operation == "string") {
            value = source.ParseStringLiteral(&error);
        }
        outcome = (value ? ValuesText(value) : "none") + ", error " + std::to_string(error);
        delete value;
    }
    outcome += ", rest " + Quote(bytes.substr(source.position));
    outcome += source.line != 1 ? ", line " + std::to_string(source.line) : "";
    const std::string& logged = Logged();
    for (size_t at = 0; (at = logged.find("[CQSParse] ", at)) != std::string::npos; ++at) {
        outcome += ", log " + logged.substr(at + 11, logged.find(": in file", at) - at - 11);
    }
    return outcome;
}

ScriptValue* Values(const std::string& words) {
    std::istringstream stream(words);
    ScriptValue *head = nullptr, **tail = &head;
    for (std::string word; stream >> word; tail = &(*tail)->next) {
        std::string rest = word.substr(1);
        if (word[0] == 'b') {
            uint32_t bits = uint32_t(std::stoul(rest, nullptr, 16));
            FloatValue* real = new FloatValue();
            std::memcpy(&real->value, &bits, sizeof bits);
            *tail = real;
        } else {
            *tail = word[0] == 'i'   ? static_cast<ScriptValue*>(new IntValue(std::stoi(rest)))
                    : word[0] == 'f' ? new FloatValue(std::stof(rest))
                    : word[0] == 's' ? new StringValue(rest.c_str())
                    : word[0] == 'n' ? new StringValue()
                                     : new ScriptValue(std::stoi(rest));
        }
    }
    return head;
}

std::string Shown(ScriptValue* values) {
    std::string text = values ? ValuesText(values) : "nothing";
    ScriptEntry holder; // deletes the values
    holder.values = values;
    return text;
}

std::string Use(const std::string& operation, const std::string& words) {
    ScriptEntry entry;
    std::snprintf(entry.name, sizeof entry.name, "e");
    entry.values = Values(words);
    const ScriptValue* head = entry.values;
    if (operation == "first") {
        const char* text = FirstString(&entry);
        return text ? Quote(text) : "none";
    }
    if (operation == "record") {
        std::string hex = Hex(Record(entry, testing::TempDir() + "record.bin"));
        std::replace(hex.begin(), hex.end(), '\n', ' ');
        return hex.substr(0, hex.size() - 1);
    }
    ScriptValue* copy = CopyValueChain(head);
    ScriptValue* byHead = nullptr;
    if (auto integer = dynamic_cast<const IntValue*>(head)) {
        byHead = new IntValue(*integer);
    } else if (auto real = dynamic_cast<const FloatValue*>(head)) {
        byHead = new FloatValue(*real);
    } else if (auto string = dynamic_cast<const StringValue*>(head)) {
        byHead = new StringValue(*string);
    }
    std::string copied = Shown(copy), copiedByHead = byHead ? Shown(byHead) : copied;
    return copied + (copiedByHead != copied ? " but from the head: " + copiedByHead : "");
}

using Table = CaseInFreshFolder;

TEST_P(Table, EveryLineGivesItsOutcome) {
    std::istringstream lines(ReadFile(kTables + "/" + GetParam() + ".table"));
    int number = 0, cases = 0;
    for (std::string line; std::getline(lines, line);) {
        size_t space = line.find(' '), arrow = line.rfind(" => ");
        if (++number, line.empty() || line[0] == '#') {
            continue;
        }
        ASSERT_NE(arrow, std::string::npos) << "line " << number << ": " << line;
        std::string operation = line.substr(0, space);
        std::string input = arrow > space ? line.substr(space + 1, arrow - space - 1) : "";
        bool words = operation == "copy" || operation == "first" || operation == "record";
        bool watched = operation == "reports" || operation == "events" || operation == "open";
        EXPECT_EQ(words     ? Use(operation, input)
                  : watched ? Watch(operation, Unquote(input))
                            : Read(operation, Unquote(input)),
                  line.substr(arrow + 4))
            << "line " << number << ": " << line;
        ++cases;
    }
    EXPECT_GT(cases, 0);
}

// The report table shows each code that a file can cause, as the first report of one line.
TEST(ReportTable, ShowsEveryCodeOnce) {
    std::istringstream lines(ReadFile(kTables + "/reports.table"));
    std::multiset<std::string> shown;
    for (std::string line; std::getline(lines, line);) {
        size_t arrow = line.rfind(" => ");
        if (!line.empty() && line[0] != '#' && arrow != std::string::npos) {
            shown.insert(line.substr(arrow + 4, line.find(' ', arrow + 4) - arrow - 4));
        }
    }
    std::multiset<std::string> codes;
    for (int code = 0; code < kReportCodes; ++code) {
        // Exhausted memory is the one report no file can cause on demand.
        if (code != kReportOutOfMemory) {
            codes.insert(ScriptReportRowOf(ScriptReport(code)).name);
        }
    }
    EXPECT_EQ(shown, codes);
}

INSTANTIATE_TEST_SUITE_P(Script, Table, ::testing::ValuesIn(CaseNames(kTables, ".table")),
                         CaseName);

} // namespace
