// The three settings the engine receives, read from the configuration file that the command
// line chooses, through the real executable.
#include "tests/launcher/launcher_fixture.h"

#include <map>

namespace {

const std::string kDeclarations =
    "!JavaGameClassName(s)\r\n!JavaClasses(s)\r\n!JavaClassesPacked(s)\r\n";

std::string Settings(const std::string& game, const std::string& classes,
                     const std::string& packed) {
    return kDeclarations + "JavaGameClassName(\"" + game + "\")\r\nJavaClasses(\"" + classes +
           "\")\r\nJavaClassesPacked(\"" + packed + "\")\r\n";
}

TEST_F(LauncherTest, SettingsComeFromTheChosenConfigurationFile) {
    std::vector<std::string> manyWords(64, "w");
    manyWords.push_back("ini=b.ini"); // the 65th word of the tail: beyond the word list
    const struct {
        const char* what;
        std::map<std::string, std::string> files;
        std::vector<std::string> words;
        std::string received; // by InitializeGameScript: classes, packed classes, game class
        std::string log;      // the diagnostic log, "" when there is none
    } cases[] = {
        {"no game.ini", {}, {}, "Ja code TestGame", ""},
        {"game.ini",
         {{"game.ini", Settings("Level1Game", "Classes", "Packed")}},
         {},
         "Classes Packed Level1Game",
         ""},
        {"last ini= wins",
         {{"game.ini", Settings("G", "G", "G")},
          {"a.ini", Settings("A", "A", "A")},
          {"b.ini", Settings("B", "B", "B")}},
         {"ini=a.ini", "ini=b.ini"},
         "B B B",
         ""},
        {"INI= is no ini=",
         {{"game.ini", Settings("G", "G", "G")}, {"a.ini", Settings("A", "A", "A")}},
         {"INI=a.ini"},
         "G G G",
         ""},
        {"empty ini=", {{"game.ini", Settings("G", "G", "G")}}, {"ini="}, "Ja code TestGame", ""},
        {"beyond the word list",
         {{"game.ini", Settings("G", "G", "G")}, {"b.ini", Settings("B", "B", "B")}},
         manyWords,
         "G G G",
         ""},
        {"keys in any case, last wins, blocks ignored",
         {{"game.ini", kDeclarations + "!block()\r\njavagameclassname(\"first\")\r\n"
                                       "JAVAGAMECLASSNAME(\"second\")\r\nblock() {\r\n"
                                       "JavaClasses(\"inside\")\r\n}\r\n"}},
         {},
         "Ja code second",
         ""},
        {"empty, non-string and overlong values",
         {{"game.ini", "!JavaGameClassName(s,s)\r\n!JavaClasses(i)\r\n!JavaClassesPacked(s)\r\n"
                       "JavaGameClassName(\"\", \"second\")\r\nJavaClasses(5)\r\n"
                       "JavaClassesPacked(\"" +
                           std::string(300, 'p') + "\")\r\n"}},
         {},
         "Ja " + std::string(255, 'p') + " ",
         ""},
        {"include cycle",
         {{"game.ini", Settings("G", "G", "G") + "!include(\"game.ini\")\r\n"}},
         {},
         "Ja code TestGame",
         "[CQSParse] include cycle: game.ini > game.ini: in file 'game.ini' in line 7\n"
         "!include(\"game.ini\")\n\nParser: cant parse file 'game.ini'\n"},
    };
    for (const auto& c : cases) {
        for (const auto& file : c.files) {
            WriteFile(file.first, file.second);
        }
        LauncherRun run = Run(c.words);
        EXPECT_EQ(run.exitCode, 0) << c.what;
        EXPECT_EQ(CallsOf(run.id).at(0), "InitializeGameScript " + c.received) << c.what;
        EXPECT_EQ(ReadFile(Path("crash.log")), c.log) << c.what;
        for (const auto& file : c.files) {
            Remove(file.first);
        }
        Remove("crash.log");
    }
}

} // namespace
