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
#include "tests/script/case_support.h"

#include "script/parser.h"

#include <gtest/gtest.h>
#include <sstream>

namespace {

const std::string kTables = FERROX_SCRIPT_TESTS "/tables";

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

class Table : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override { CaptureLog(); }
};

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
        EXPECT_EQ(words ? Use(operation, input) : Read(operation, Unquote(input)),
                  line.substr(arrow + 4))
            << "line " << number << ": " << line;
        ++cases;
    }
    EXPECT_GT(cases, 0);
}

INSTANTIATE_TEST_SUITE_P(Script, Table, ::testing::ValuesIn(CaseNames(kTables, ".table")),
                         CaseName);

} // namespace
