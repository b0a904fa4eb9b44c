// Files that could stop the launcher before the game starts: special files where it expects
// configuration files, a log beyond the file-size limit, a game folder too long for its buffer.
// Each start must go on to the game with the defaults. POSIX only: Windows has no FIFOs, no
// file-size signal, and its runtime already leaves a part that does not fit empty.
#include "tests/launcher/launcher_fixture.h"

#ifndef _WIN32

#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

const std::string kSettings =
    "!JavaGameClassName(s)\r\n!JavaClasses(s)\r\n!JavaClassesPacked(s)\r\n"
    "JavaGameClassName(\"%\")\r\nJavaClasses(\"%\")\r\n"
    "JavaClassesPacked(\"%\")\r\n";

// Settings whose three values are all `value`.
std::string Settings(const std::string& value) {
    std::string text = kSettings;
    for (size_t at; (at = text.find('%')) != std::string::npos;) {
        text.replace(at, 1, value);
    }
    return text;
}

TEST_F(LauncherTest, FifosAreRefusedWithoutWaiting) {
    const struct {
        const char* what;
        const char* fifo;
        std::vector<std::string> words;
        bool otherInstance;
        const char* firstCall; // "" when the start must give way
    } cases[] = {
        {"game.ini", "game.ini", {}, false, "InitializeGameScript Ja code TestGame"},
        {"ini=FILE", "pipe.ini", {"ini=pipe.ini"}, false, "InitializeGameScript Ja code TestGame"},
        {"include", "inc.ini", {}, false, "InitializeGameScript Ja code TestGame"},
        {"data\\Running.scr", "data/Running.scr", {}, true, ""},
    };
    WriteFile("game.ini", "!include(\"inc.ini\")\r\n");
    std::filesystem::create_directories(Path("data"));
    for (const auto& c : cases) {
        std::filesystem::remove(Path(c.fifo));
        ASSERT_EQ(mkfifo(Path(c.fifo).c_str(), 0600), 0) << c.what;
        if (c.otherInstance) {
            HoldInstanceMutex();
        }
        LauncherRun run = Run(c.words);
        EXPECT_EQ(run.exitCode, 0) << c.what;
        std::vector<std::string> calls = CallsOf(run.id);
        EXPECT_EQ(calls.empty() ? "" : calls.at(0), c.firstCall) << c.what;
        std::filesystem::remove(Path(c.fifo));
    }
}

TEST_F(LauncherTest, LogBeyondTheFileSizeLimitJustFails) {
    // A report whose line alone is longer than the limit.
    WriteFile("game.ini", Settings("G") + "unknown(" + std::string(8000, 'x') + ")\r\n");
    rlimit previous;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit low = previous;
    low.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &low), 0);
    int id = Start({}); // the launcher inherits the limit
    setrlimit(RLIMIT_FSIZE, &previous);
    LauncherRun run = Finish(id);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(CallsOf(id).at(0), "InitializeGameScript Ja code TestGame");
    EXPECT_LE(std::filesystem::file_size(Path("crash.log")), 4096u);
}

TEST_F(LauncherTest, GameFolderTooLongForItsBufferLeavesTheStartFolder) {
    // The folder's first 255 characters name a real folder: cut there, the path would lead the
    // launcher into it.
    std::string ancestor = Path(std::string(255 - folder_.size() - 2, 'a'));
    std::string game = ancestor + "/game";
    ASSERT_EQ((ancestor + "/").size(), 255u);
    for (const char* file : {"ferrox", "libFerroxEngine2.so", "libferroxplatform.so"}) {
        std::filesystem::create_directories(game);
        std::filesystem::copy_file(Path(file), game + "/" + file);
    }
    WriteFile("game.ini", Settings("Start"));
    WriteFile(ancestor.substr(folder_.size() + 1) + "/game.ini", Settings("Ancestor"));
    // The fixture starts Path("ferrox"); the executable's own path is where the link leads.
    std::filesystem::remove(Path("ferrox"));
    std::filesystem::create_symlink(game + "/ferrox", Path("ferrox"));
    LauncherRun run = Run({});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(CallsOf(run.id).at(0), "InitializeGameScript Start Start Start");
}

} // namespace

#endif
