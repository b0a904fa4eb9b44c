// The layout of ferrox-script fmt. Golden cases in format_cases/: NAME.ini laid out gives
// NAME.expected byte for byte; where NAME.lines holds "FIRST LAST", only the statements those
// lines touch are laid out. Beside them, properties over every configuration file the tests
// hold (the parse cases, the tool cases, the parse fuzzer's seeds) and over generated ones:
// - the tokens give the text back, and end where the parser's own readers end;
// - the layout changes blanks and line ends only, keeps every comment, and a second run
//   changes nothing;
// - a file that parses gives the same entry record laid out, its includes resolved beside it,
//   and laying out the statements of any one line leaves the record as it was.
#include "tests/script/case_support.h"
#include "tests/script/format_marks.h"

#include "script/parser.h"
#include "tools/parse_watcher.h"
#include "tools/script_format.h"
#include "tools/script_tokens.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sstream>

namespace {

const std::string kFormatCases = FERROX_SCRIPT_TESTS "/format_cases";

std::string Apply(const std::string& text, const ScriptEdit& edit) {
    return text.substr(0, edit.start) + edit.text + text.substr(edit.end);
}

TEST(FormatCase, GoldenCasesGiveTheirExpectedText) {
    std::vector<std::string> names = CaseNames(kFormatCases, ".expected");
    ASSERT_FALSE(names.empty());
    for (const std::string& name : names) {
        std::string input = ReadFile(kFormatCases + "/" + name + ".ini");
        std::string expected = ReadFile(kFormatCases + "/" + name + ".expected");
        std::optional<std::string> laidOut;
        if (PathExists(kFormatCases + "/" + name + ".lines")) {
            std::istringstream lines(ReadFile(kFormatCases + "/" + name + ".lines"));
            uint32_t first = 0, last = 0;
            lines >> first >> last;
            std::optional<ScriptEdit> edit = FormatScriptLines(input, first, last);
            laidOut = edit ? std::optional<std::string>(Apply(input, *edit)) : std::nullopt;
        } else {
            laidOut = FormatScript(input);
        }
        ASSERT_TRUE(laidOut) << name << ": left alone";
        EXPECT_EQ(Quote(*laidOut), Quote(expected)) << name;
    }
}

std::multiset<std::string> Comments(const std::string& text) {
    std::multiset<std::string> comments;
    for (const ScriptToken& token : ScanScriptTokens(text)) {
        if (IsComment(token)) {
            comments.insert(std::string(CommentText(text, token)));
        }
    }
    return comments;
}

// The tokens cover the text, and comments, strings and numbers end where the parser's readers
// end them.
void ExpectTokensAgreeWithTheParser(const std::string& text, const std::string& label) {
    std::vector<ScriptToken> tokens = ScanScriptTokens(text);
    std::string joined;
    for (const ScriptToken& token : tokens) {
        joined += text.substr(token.start, token.end - token.start);
    }
    ASSERT_EQ(joined, text) << label;
    ScriptSource source("agree.ini", text.data(), text.size());
    for (size_t i = 0; i < tokens.size(); ++i) {
        const ScriptToken& token = tokens[i];
        source.position = token.start;
        int32_t error = 0;
        if (IsComment(token) || token.kind == ScriptToken::kBlank ||
            token.kind == ScriptToken::kLineEnd) {
            // Blanks skip over the run of blanks, line ends and comments that starts here.
            size_t end = i;
            while (end < tokens.size() &&
                   (IsComment(tokens[end]) || tokens[end].kind == ScriptToken::kBlank ||
                    tokens[end].kind == ScriptToken::kLineEnd)) {
                ++end;
            }
            source.SkipBlanks();
            EXPECT_EQ(source.position, end < tokens.size() ? tokens[end].start : text.size())
                << label << ": blanks at " << token.start;
        } else if (token.kind == ScriptToken::kString || text[token.start] == '"') {
            delete source.ParseStringLiteral(&error);
            EXPECT_EQ(error == 0, token.kind == ScriptToken::kString)
                << label << " " << token.start;
            EXPECT_TRUE(error != 0 || source.position == token.end)
                << label << ": string at " << token.start;
        } else if (token.kind == ScriptToken::kWord && IsDigitByte(text[token.start])) {
            delete source.ParseFloatLiteral(&error);
            // Where the number reads, it ends with the token; else the token goes on past it.
            EXPECT_TRUE(error != 0 || source.position == token.end)
                << label << ": number at " << token.start;
        }
    }
}

class FormatProperties : public ::testing::Test {
protected:
    FormatProperties() { CaptureLog(); }
    ~FormatProperties() override {
        if (records_) {
            std::fclose(records_);
        }
    }

    // The record of the parse of `text` as the file `path`, includes found beside it; "" when
    // it does not parse.
    std::string RecordOf(const std::string& path, const std::string& text) {
        ScriptEntry* entries = ParseScriptBuffer(path.c_str(), text.data(), text.size());
        if (!entries) {
            return "";
        }
        // One file, written over from its start each time: a record costs no new file.
        if (!records_) {
            records_ = std::fopen(folder_.Path("record.bin").c_str(), "w+b");
        }
        std::rewind(records_);
        entries->Write(records_);
        delete entries;
        std::string record(size_t(std::ftell(records_)), '\0');
        std::rewind(records_);
        EXPECT_EQ(std::fread(record.data(), 1, record.size(), records_), record.size());
        return record;
    }

    void Check(const std::string& path, const std::string& text) {
        ExpectTokensAgreeWithTheParser(text, path);
        std::string record;
        bool clean;
        {
            ParseWatcher watcher;
            record = RecordOf(path, text);
            // fmt leaves alone a file whose parse reported an error and went on (the name of
            // a skipped include), and one where the parser cut a word short.
            clean = !watcher.AnyError();
            for (const Diagnostic& diagnostic : watcher.Diagnostics()) {
                clean = clean && diagnostic.code != "word-too-long";
            }
        }
        std::optional<std::string> laidOut = FormatScript(text);
        if (!record.empty() && clean) {
            ++parsed_;
            ASSERT_TRUE(laidOut) << path << ": a file that parses was left alone";
        }
        if (!record.empty() && laidOut) {
            EXPECT_EQ(RecordOf(path, *laidOut), record) << path << ":\n" << *laidOut;
            CheckLines(path, text, record, *laidOut);
        }
        if (!laidOut) {
            return;
        }
        EXPECT_EQ(Marks(*laidOut), Marks(text)) << path;
        EXPECT_EQ(Comments(*laidOut), Comments(text)) << path;
        std::optional<std::string> again = FormatScript(*laidOut);
        ASSERT_TRUE(again) << path;
        EXPECT_EQ(Quote(*again), Quote(*laidOut)) << path << ": a second run changes it";
    }

    // Each line's statements laid out alone keep the record, and laying out the rest then
    // gives the whole layout (in a file of one kind of line end: in one that mixes them, the
    // first line end, whose kind new ones take, may go with a blank line that the edit drops);
    // all lines at once give it directly.
    void CheckLines(const std::string& path, const std::string& text, const std::string& record,
                    const std::string& laidOut) {
        uint32_t lines = 1;
        bool kinds[3] = {}; // CR LF, LF, CR
        for (size_t at = 0; at < text.size(); ++at) {
            bool pair = text.compare(at, 2, "\r\n") == 0;
            if (pair || text[at] == '\n' || text[at] == '\r') {
                ++lines;
                kinds[pair ? 0 : text[at] == '\n' ? 1 : 2] = true;
                at += pair ? 1 : 0;
            }
        }
        bool mixed = kinds[0] + kinds[1] + kinds[2] > 1;
        std::optional<ScriptEdit> all = FormatScriptLines(text, 1, lines + 1);
        ASSERT_TRUE(all) << path;
        EXPECT_EQ(Apply(text, *all), laidOut) << path << ": all lines";
        for (uint32_t line = 1; line <= std::min(lines, 40u); ++line) {
            std::optional<ScriptEdit> edit = FormatScriptLines(text, line, line);
            ASSERT_TRUE(edit) << path;
            std::string partly = Apply(text, *edit);
            EXPECT_EQ(RecordOf(path, partly), record) << path << ": line " << line;
            EXPECT_TRUE(mixed || FormatScript(partly).value_or("left alone") == laidOut)
                << path << ": line " << line;
        }
    }

    void CheckFolder(const std::string& folder) {
        for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
            if (item.path().extension() == ".ini") {
                Check(item.path().string(), ReadFile(item.path().string()));
            }
        }
    }

    TemporaryFolder folder_;
    FILE* records_ = nullptr;
    int parsed_ = 0;
};

TEST_F(FormatProperties, HoldForTheParseCases) {
    CheckFolder(FERROX_SCRIPT_TESTS "/cases");
    CheckFolder(FERROX_SCRIPT_TESTS "/tool_cases");
    CheckFolder(kFormatCases);
    EXPECT_GT(parsed_, 30);
}

// The parse fuzzer's seeds hold a top file up to their first NUL.
TEST_F(FormatProperties, HoldForTheFuzzSeeds) {
    for (const auto& item : std::filesystem::directory_iterator(FERROX_FUZZ_PARSE_CORPUS)) {
        std::string bytes = ReadFile(item.path().string());
        Check(folder_.Path("game.ini"), bytes.substr(0, bytes.find('\0')));
    }
}

// Files of random statements with blanks, line ends and comments in every place the parser
// allows them.
class Generator {
public:
    explicit Generator(uint32_t seed) : random_(seed) {}

    std::string File() {
        newline_ = std::vector<std::string>{"\n", "\r\n", "\r"}[Pick(3)];
        text_.clear();
        Gap();
        Put("!a(i, f, s)");
        Gap();
        Put("!B(S)");
        Gap();
        Put("!c()");
        Gap();
        Put("$k(i,");
        Gap();
        Put("-7)");
        Gap();
        Put("$t(s,\"te\\\"xt\")");
        Gap();
        Put("$r(f, 2.)");
        Gap();
        Call(0); // a file of declarations alone gives no entries
        Gap();
        Block(0);
        return text_;
    }

private:
    uint32_t Pick(uint32_t n) { return uint32_t(random_() % n); }
    void Put(const std::string& text) { text_ += text; }
    // What may stand where the parser skips blanks; `afterNumber`: a blank must come first.
    void Gap(bool afterNumber = false) {
        bool first = true;
        for (uint32_t n = Pick(4); n-- > 0; first = false) {
            uint32_t kind = Pick(6);
            if (afterNumber && first && kind >= 4) {
                Put(" ");
            }
            switch (kind) {
            case 0:
                Put(" ");
                break;
            case 1:
                Put("\t ");
                break;
            case 2:
                // Now and then a line end of another kind: files that mix them exist.
                Put(Pick(8) ? newline_ : Pick(2) ? "\r\n" : "\n");
                break;
            case 3:
                Put(newline_ + newline_ + newline_);
                break;
            case 4:
                Put("/* note " + std::to_string(Pick(9)) + (Pick(2) ? newline_ : "") + "*/");
                break;
            default:
                // A line comment runs to a line feed, which a file of CR line ends lacks.
                Put(newline_ == "\r" ? "/**/" : "// note" + std::to_string(Pick(9)) + "\n");
            }
        }
    }
    void Int() {
        if (Pick(4) == 0) {
            Put("k");
            return;
        }
        if (Pick(2)) {
            Put("-");
            Gap();
        }
        Put(std::to_string(Pick(100000)));
    }
    void Float() {
        if (Pick(4) == 0) {
            Put("r");
            return;
        }
        if (Pick(2)) {
            Put("-");
            Gap();
        }
        Put(std::to_string(Pick(1000)) + (Pick(2) ? std::string(".") + (Pick(2) ? "25" : "") : ""));
    }
    void String() {
        static const char* const kStrings[] = {
            "\"\"", "\"a b\"", "\"q\\\"q\"", "\"l\\\r\nm\"", "\"//no\"", "\"/*no*/\"", "t"};
        Put(kStrings[Pick(7)]);
    }
    void Call(int depth) {
        uint32_t keyword = Pick(3);
        Put(keyword == 0 ? "a" : keyword == 1 ? "b" : "C");
        Gap();
        Put("(");
        Gap();
        if (keyword == 0) {
            Int();
            Gap(true);
            Put(",");
            Gap();
            Float();
            Gap(true);
            Put(",");
            Gap();
            String();
            Gap();
        } else if (keyword == 1) {
            String();
            Gap();
        }
        Put(")");
        if (depth < 3 && Pick(4) == 0) {
            Gap();
            Put("{");
            Gap();
            Block(depth + 1);
            Put("}");
        } else if (Pick(6) == 0) {
            Gap();
            Put(";");
        }
    }
    void Block(int depth) {
        for (uint32_t n = 1 + Pick(5); n-- > 0;) {
            if (Pick(8) == 0) {
                Put("!b(s)");
            } else {
                Call(depth);
            }
            Gap();
            if (Pick(3) == 0) {
                Put(newline_);
            }
        }
    }

    std::mt19937 random_;
    std::string newline_, text_;
};

TEST_F(FormatProperties, HoldForGeneratedFiles) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        std::string text = Generator(seed).File();
        Check(folder_.Path("generated.ini"), text);
        if (::testing::Test::HasFailure()) {
            std::ofstream(folder_.Path("failed.ini"), std::ios::binary) << text;
            FAIL() << "seed " << seed << ":\n" << Quote(text);
        }
    }
    EXPECT_EQ(parsed_, 300) << "every generated file parses";
}

} // namespace
