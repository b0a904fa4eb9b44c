// Whole configuration files through ParseScriptFile, and the same bytes through
// ParseScriptBuffer: the entries that come back, and every message the parse writes to the
// diagnostic log.
#include "tests/script/script_fixture.h"

#include "script/parser.h"
#include "tests/launcher/child_process.h"
#include "tools/script_dump.h"

#include <map>

namespace {

// The tree as one line: name(values){children} name(...)...
std::string Render(const ScriptEntry* entry) {
    std::string text;
    for (; entry; entry = entry->next) {
        text += (text.empty() ? "" : " ") + std::string(entry->name) + "(";
        for (const ScriptValue* value = entry->values; value; value = value->next) {
            text += value == entry->values ? "" : ",";
            if (value->kind == kIntKind) {
                text += std::to_string(static_cast<const IntValue*>(value)->value);
            } else if (value->kind == kFloatKind) {
                text += std::to_string(static_cast<const FloatValue*>(value)->value);
            } else {
                text += "\"" + std::string(static_cast<const StringValue*>(value)->text) + "\"";
            }
        }
        text += ")";
        if (entry->child) {
            text += "{" + Render(entry->child) + "}";
        }
    }
    return text;
}

// The report lines of the log: each report's message and line number, and the final verdict.
std::string Reports(const std::string& logged) {
    std::string reports;
    for (size_t at = 0; (at = logged.find("[CQSParse] ", at)) != std::string::npos;) {
        size_t end = logged.find('\n', at);
        reports += logged.substr(at + 11, end - at - 11) + "|";
        at = end;
    }
    size_t verdict = logged.find("Parser: cant parse file");
    return reports + (verdict != std::string::npos ? logged.substr(verdict) : "");
}

struct ParseCase {
    const char* what;
    std::map<std::string, std::string> files; // "game.ini" is parsed
    std::string tree;
    std::string reports;
};

class Parser : public ScriptTest {
protected:
    // The tool's dump of the entries parses back to the same entry record.
    void ExpectDumpReadsBack(const ScriptEntry& entries, const char* what) {
        std::string dump = DumpScript(&entries);
        ScriptEntry* again = ParseScriptBuffer("dump.ini", dump.data(), dump.size());
        EXPECT_EQ(again ? Record(*again) : "", Record(entries)) << what << "\n" << dump;
        delete again;
    }
    std::string Record(const ScriptEntry& entries) {
        FILE* file = std::fopen(folder_.Path("record.bin").c_str(), "wb");
        entries.Write(file);
        std::fclose(file);
        return ReadFile(folder_.Path("record.bin"));
    }

    void Check(const std::vector<ParseCase>& cases) {
        for (const ParseCase& c : cases) {
            for (const auto& file : c.files) {
                WriteFile(file.first, file.second);
            }
            Logged().clear();
            ScriptEntry* entries = ParseScriptFile("game.ini");
            EXPECT_EQ(Render(entries), c.tree) << c.what;
            EXPECT_EQ(Reports(Logged()), c.reports) << c.what;
            if (entries) {
                ExpectDumpReadsBack(*entries, c.what);
            }
            delete entries;
            if (c.files.count("game.ini")) {
                const std::string& top = c.files.at("game.ini");
                Logged().clear();
                entries = ParseScriptBuffer("game.ini", top.data(), top.size());
                EXPECT_EQ(Render(entries), c.tree) << c.what << ", from memory";
                EXPECT_EQ(Reports(Logged()), c.reports) << c.what << ", from memory";
                delete entries;
            }
            for (const auto& file : c.files) {
                std::filesystem::remove(folder_.Path(file.first));
            }
        }
    }
};

const std::string kFailed = "Parser: cant parse file 'game.ini'\n";

TEST_F(Parser, WorkedExampleGivesItsFourEntries) {
    Check({{"worked example",
            {{"game.ini", "!JavaGameClassName(s)\r\n!JavaClasses(s)\r\n!JavaClassesPacked(S)\r\n"
                          "!size(i, i)\r\n$pack(s, \"code\")\r\nJavaGameClassName(\"TestGame\")\r\n"
                          "JavaClasses(\"Ja\");\r\nJavaClassesPacked(PACK)\r\nsize(640, 480) {\r\n"
                          "size(32, 32)\r\n}\r\n"}},
            "javagameclassname(\"TestGame\") javaclasses(\"Ja\") javaclassespacked(\"code\") "
            "size(640,480){size(32,32)}",
            "its not c!: in file 'game.ini' in line 7|"}});
}

TEST_F(Parser, EveryFailureIsReportedWithItsLine) {
    const std::string w32(32, 'w');
    Check({
        {"call before typedef",
         {{"game.ini", "\nKey(1)\n!key(i)"}},
         "",
         "unknown keyword key: in file 'game.ini' in line 2|" + kFailed},
        {"long call name",
         {{"game.ini", w32 + "()"}},
         "",
         "word limit exceeded: in file 'game.ini' in line 1|error in call: in file 'game.ini' in "
         "line 1|" +
             kFailed},
        {"call name at the end",
         {{"game.ini", "!a()\na"}},
         "",
         "error in call: in file 'game.ini' in line 2|" + kFailed},
        {"no bracket",
         {{"game.ini", "!a()\na x"}},
         "",
         "opening bracket expected: in file 'game.ini' in line 2|" + kFailed},
        {"too few values",
         {{"game.ini", "!a(i,i)\na(1)"}},
         "",
         "comma expected: in file 'game.ini' in line 2|" + kFailed},
        {"too many values",
         {{"game.ini", "!a(i)\na(1,2)"}},
         "",
         "closing bracket expected: in file 'game.ini' in line 2|" + kFailed},
        {"closing brace at the top",
         {{"game.ini", "!a()\na()\n}"}},
         "",
         "unexpected closing curly bracket: in file 'game.ini' in line 3|" + kFailed},
        {"long constant name",
         {{"game.ini", "$" + w32 + "(i,1)"}},
         "",
         "word limit exceeded: in file 'game.ini' in line 1|error in const def: in file "
         "'game.ini' in line 1|" +
             kFailed},
        {"blank before constant name",
         {{"game.ini", "$ x(i,1)"}},
         "",
         "left bracked expected in const def: in file 'game.ini' in line 1|" + kFailed},
        {"constant without comma",
         {{"game.ini", "$x(i 1)"}},
         "",
         "unexpected character in typedef: in file 'game.ini' in line 1|" + kFailed},
        {"constant of unknown constant",
         {{"game.ini", "$x(i, y)"}},
         "",
         "unknown const name 'y': in file 'game.ini' in line 1|" + kFailed},
        {"long typedef name",
         {{"game.ini", "!" + w32 + "()"}},
         "",
         "word limit exceeded: in file 'game.ini' in line 1|error in typedef: in file "
         "'game.ini' in line 1|" +
             kFailed},
        {"blank before typedef name",
         {{"game.ini", "! a(i)"}},
         "",
         "left bracked expected in typedef: in file 'game.ini' in line 1|" + kFailed},
        {"kind word",
         {{"game.ini", "!a(int)"}},
         "",
         "unexpected characted in typedef: in file 'game.ini' in line 1|" + kFailed},
        {"trailing comma",
         {{"game.ini", "!a(i,)"}},
         "",
         "unexpected characted in typedef: in file 'game.ini' in line 1|" + kFailed},
        {"include without bracket",
         {{"game.ini", "!include \"x\""}},
         "",
         "left bracked expected in include: in file 'game.ini' in line 1|" + kFailed},
        {"include without closing",
         {{"game.ini", "!include(\"x\" y"}},
         "",
         "right bracked expected in include: in file 'game.ini' in line 1|" + kFailed},
        {"second semicolon",
         {{"game.ini", "!a()\na();;"}},
         "",
         "its not c!: in file 'game.ini' in line 2|unknown keyword : in file 'game.ini' in line "
         "2|" +
             kFailed},
        {"error in an included file",
         {{"game.ini", "!a()\r\na()\r\n!include(\"inc\\\\b.ini\")"}, {"inc/b.ini", "\r\n\r\nb()"}},
         "",
         "unknown keyword b: in file 'inc\\b.ini' in line 3|" + kFailed},
    });
}

TEST_F(Parser, NothingToReturnIsNoError) {
    Check({
        {"missing file", {}, "", ""},
        {"empty file", {{"game.ini", ""}}, "", ""},
        {"comments only", {{"game.ini", "// a\r\n/* b */"}}, "", ""},
        {"declarations only", {{"game.ini", "!a(i) $b(s, \"x\") !include(\"none.ini\")"}}, "", ""},
    });
}

TEST_F(Parser, BlocksScopeTheirTypedefs) {
    Check({
        {"nested blocks",
         {{"game.ini", "!a(i)\na(1){a(2){a(3)}a(4){}}a(5)"}},
         "a(1){a(2){a(3)} a(4)} a(5)",
         ""},
        {"typedef inside a block",
         {{"game.ini", "!a()\na(){!b(s) b(\"in\")}\nb(\"out\")"}},
         "",
         "unknown keyword b: in file 'game.ini' in line 3|" + kFailed},
        {"newer typedef hides older",
         {{"game.ini", "!a(i)\n!A(s,s)\na(\"x\",\"y\")"}},
         "a(\"x\",\"y\")",
         ""},
        {"missing closing brace", {{"game.ini", "!a()\na(){a(){"}}, "a(){a()}", ""},
        {"empty names", {{"game.ini", "!(i)\n(7)"}}, "(7)", ""},
        {"mixed case", {{"game.ini", "!MiXeD(f)\nMIXED(2.5)"}}, "mixed(2.500000)", ""},
    });
}

TEST_F(Parser, IncludesAreFoundBesideTheIncludingFile) {
    Check({
        {"subfolder, constants both ways",
         {{"game.ini", "!a(s)\n$x(s, \"top\")\na(\"1\")\n!include(\"inc/b.ini\")\na(y)"},
          {"inc/b.ini", "a(x)\n$y(s, \"from b\")\n!include(\"c.ini\")"},
          {"inc/c.ini", "a(\"c\")"}},
         "a(\"1\") a(\"top\") a(\"c\") a(\"from b\")",
         ""},
        {"backslashes and a constant name",
         {{"game.ini", "!a(i)\n$f(s, \"inc\\\\sub\\\\d.ini\")\n!INCLUDE(F)\na(2)"},
          {"inc/sub/d.ini", "a(1)"}},
         "a(1) a(2)",
         ""},
        {"missing include",
         {{"game.ini", "!a(i)\na(1)\n!include(\"none.ini\")\na(2)"}},
         "a(1) a(2)",
         ""},
        {"typedef from an include inside a block",
         {{"game.ini", "!a()\na(){!include(\"inc/t.ini\") t(1)}"}, {"inc/t.ini", "!t(i)"}},
         "a(){t(1)}",
         ""},
        {"bad include name is skipped",
         {{"game.ini", "!a()\n!include(nope)\na()"}},
         "",
         "unknown const name 'nope': in file 'game.ini' in line 2|unknown keyword : in file "
         "'game.ini' in line 2|" +
             kFailed},
    });
}

TEST_F(Parser, HostileFilesEndCleanly) {
    std::string deepBlocks = "!a()\n";
    for (int i = 0; i < 300; ++i) {
        deepBlocks += "a(){";
    }
    Check({
        {"include cycle",
         {{"game.ini", "!include(\"game.ini\")"}},
         "",
         "include cycle: game.ini > game.ini: in file 'game.ini' in line 1|" + kFailed},
        {"blocks too deep",
         {{"game.ini", deepBlocks}},
         "",
         "more than 256 blocks open: in file 'game.ini' in line 2|" + kFailed},
        {"include path too long",
         {{"game.ini", "!include(\"" + std::string(300, 'p') + "\")"}},
         "",
         "include path longer than 255 characters: in file 'game.ini' in line 1|" + kFailed},
        {"unterminated include name",
         {{"game.ini", "!a()\na()\n!include(\"rest of the file"}},
         "",
         "expected ending \": in file 'game.ini' in line 3|" + kFailed},
        {"line feed line ends",
         {{"game.ini", "// comment\n!a()\n\na(\n"}},
         "",
         "closing bracket expected: in file 'game.ini' in line 5|" + kFailed},
    });
}

} // namespace
