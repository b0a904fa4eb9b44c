// The scanner under the parser: loading, blanks and comments, words, line counting and the
// layout of error reports.
#include "tests/script/script_fixture.h"

#include <cstring>
#include <filesystem>

namespace {

using SourceReader = ScriptTest;

std::string Rest(ScriptSource& source) {
    return std::string(reinterpret_cast<const char*>(source.buffer) + source.position,
                       source.size - source.position);
}

TEST_F(SourceReader, FilesThatCannotBeReadAreEmptySources) {
    WriteFile("empty.ini", "");
    std::filesystem::create_directories(folder_.Path("folder.ini"));
    for (const char* path : {"missing.ini", "empty.ini", "folder.ini"}) {
        ScriptSource source(path);
        EXPECT_EQ(source.GetChar(), -1) << path;
        EXPECT_EQ(source.UngetChar(), -1) << path;
        EXPECT_EQ(source.SkipBlanks(), -1) << path;
        EXPECT_EQ(source.AtEnd(), 1) << path;
    }
    EXPECT_EQ(Logged(), "");
}

TEST_F(SourceReader, DirectoryIsThePathUpToItsLastSeparator) {
    const struct {
        const char* path;
        const char* file; // where the test puts it
        const char* directory;
    } cases[] = {
        {"game.ini", "game.ini", ""},
        {"data\\levels.ini", "data/levels.ini", "data\\"},
        {"data/sub/levels.ini", "data/sub/levels.ini", "data/sub/"},
        {"data\\sub/levels.ini", "data/sub/levels.ini", "data\\"}, // the backslash comes first
    };
    for (const auto& c : cases) {
        WriteFile(c.file, "x");
        ScriptSource source(c.path);
        EXPECT_EQ(source.size, 1u) << c.path;
        EXPECT_STREQ(source.path, c.path);
        EXPECT_STREQ(source.directory, c.directory) << c.path;
    }
}

TEST_F(SourceReader, OverlongPathIsAnEmptySourceAndSaysSo) {
    std::string path(300, 'p');
    ScriptSource source(path.c_str());
    EXPECT_EQ(source.AtEnd(), 1);
    EXPECT_EQ(std::strlen(source.path), 255u);
    EXPECT_EQ(Logged(), "[CQSParse] file name longer than 255 characters: '" +
                            std::string(255, 'p') + "...'\n");
}

TEST_F(SourceReader, SkipBlanksPassesBlanksAndComments) {
    const struct {
        const char* text;
        int result;
        const char* rest;
    } cases[] = {
        {" \t\r\n x", 0, "x"},
        {"/x", 0, "/x"}, // a lone slash is no blank
        {"/", 0, "/"},
        {"// c\r\nx", 0, "x"},
        {"// c\nx", 0, "x"},          // a line feed alone ends a line comment
        {"// c\rstill\r\nx", 0, "x"}, // a carriage return alone does not
        {"/* a */x", 0, "x"},
        {"/* a **/x", 0, "x"},
        {"/*/ b */x", 0, "x"},
        {"/* a */ // b\n /**/ z", 0, "z"},
        {"/* never closed", -1, ""},
        {"/* ends in *", -1, ""},
        {"// last line", -1, ""},
        {"// last line\r", -1, ""},
        {" \t\r\n", -1, ""},
    };
    for (const auto& c : cases) {
        auto source = Source(c.text);
        EXPECT_EQ(source->SkipBlanks(), c.result) << c.text;
        EXPECT_EQ(Rest(*source), c.rest) << c.text;
    }
    EXPECT_EQ(Logged(), "");
}

TEST_F(SourceReader, WordsAreBoundedByTheirCapacity) {
    const std::string w31(31, 'w'), w32(32, 'w');
    const struct {
        std::string text;
        int result;
        std::string word;
        std::string rest;
        bool reported;
    } cases[] = {
        {"Key_9 (", 0, "Key_9", " (", false}, {"Key", -1, "Key", "", false},
        {"(x", 0, "", "(x", false},           {"", -1, "", "", false},
        {"ab\xC3x", 0, "ab", "\xC3x", false}, {w31 + ")", 0, w31, ")", false},
        {w32 + ")", 1, w31, "w)", true},
    };
    for (const auto& c : cases) {
        Logged().clear();
        auto source = Source(c.text);
        char word[32];
        EXPECT_EQ(source->ReadWord(word, sizeof word), c.result) << c.text;
        EXPECT_EQ(word, c.word) << c.text;
        EXPECT_EQ(Rest(*source), c.rest) << c.text;
        EXPECT_EQ(Logged().find("word limit exceeded") != std::string::npos, c.reported) << c.text;
    }
}

TEST_F(SourceReader, LinesAreCountedWhateverTheLineEnds) {
    const struct {
        const char* text; // each '@' is checked
        std::vector<int> lines;
    } cases[] = {
        {"a\r\nb\r\n@c", {3}},
        {"a\nb\n@c", {3}},
        {"a\rb\r@", {3}},
        {"@a\r\nb\nc\r@\n\r@", {1, 4, 6}},
    };
    for (const auto& c : cases) {
        auto source = Source(c.text);
        std::vector<int> lines;
        for (int b; (b = source->GetChar()) != -1;) {
            if (b == '@') {
                lines.push_back(source->line);
            }
        }
        EXPECT_EQ(lines, c.lines) << c.text;
        while (source->UngetChar() == 0) {
        }
        EXPECT_EQ(source->line, 1) << c.text; // stepping back undoes the count exactly
    }
}

TEST_F(SourceReader, ReportNamesFileAndLineAndShowsTheLine) {
    const struct {
        const char* text;
        const char* before; // the report is made after reading this, where it first stands
        std::string report;
    } cases[] = {
        {"first\r\nsecond\r\nthird (x\r\nfourth", "third (",
         "[CQSParse] comma expected: in file 'source.txt' in line 3\nthird (x\n\n"},
        {"first\nsecond\nthird (x\nfourth", "third (",
         "[CQSParse] comma expected: in file 'source.txt' in line 3\nthird (x\n\n"},
        {"only line", "",
         "[CQSParse] comma expected: in file 'source.txt' in line 1\nonly line\n\n"},
        {"a\r\n", "a\r\n", "[CQSParse] comma expected: in file 'source.txt' in line 2\n\n\n"},
    };
    for (const auto& c : cases) {
        Logged().clear();
        auto source = Source(c.text);
        size_t stop = std::string(c.text).find(c.before) + std::strlen(c.before);
        while (source->position < stop) {
            source->GetChar();
        }
        source->ReportError("comma expected");
        EXPECT_EQ(Logged(), c.report) << c.text;
    }
}

TEST_F(SourceReader, OverlongReportsAreCut) {
    auto source = Source(std::string(10000, 'x'));
    source->ReportError("%s", std::string(9000, 'm').c_str());
    EXPECT_EQ(Logged(), "[CQSParse] " + std::string(8191, 'm') +
                            ": in file 'source.txt' in line 1\n" + std::string(8191, 'x') + "\n\n");
}

} // namespace
