// The ferrox-vfs tool, run for real as a child process in a folder of archives made by the test:
// its standard output byte for byte, its standard error and its exit status.
#include "tests/launcher/child_process.h"
#include "tests/support/temporary_folder.h"
#include "tests/support/test_data.h"
#include "tests/vfs/zip_writer.h"
#include "vfs/mount.h"

#include <gtest/gtest.h>

namespace {

const char kRawBytes[] = "line\r\nz\x1a nul\0 \xff\n"; // what a text-mode stream would alter
const std::string kRaw(kRawBytes, sizeof kRawBytes - 1);
const std::string kNoise = NoisyBytes(300000); // several of the tool's reading chunks
const std::string kHeading =
    "      Size  Compressed  Method     Date       Time   CRC-32    Name\n";

struct Output {
    int status;
    std::string out, err;
};

// Windows programs print text with CR LF; the tests compare lines.
std::string Text(const std::string& output) {
    std::string text;
    for (const std::string& line : Lines(output)) {
        text += line + "\n";
    }
    return text;
}

class VfsToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_.Write("a.zip", MakeZip({ZipStored("Bin/Raw.dat", kRaw),
                                        {"docs/readme.txt", "Read me first.\n"},
                                        ZipStored("dup.txt", "from a"),
                                        ZipStored("shared.txt", "from archive a")})
                                   .bytes);
        folder_.Write("b.zip", MakeZip({ZipStored("DUP.TXT", "from bee")}).bytes);
        // short.bin claims more than its deflate stream holds.
        folder_.Write("c.zip",
                      MakeZip({{"big.bin", kNoise}, {"short.bin", "abc", 8, 0, 100}}).bytes);
        folder_.Write("text.zip", "not an archive");
        folder_.Write("shared.txt", "from disk\n");
    }

    Output Run(const std::vector<std::string>& arguments) {
        ChildSpec launch;
        launch.argv = {FERROX_VFS};
        launch.argv.insert(launch.argv.end(), arguments.begin(), arguments.end());
        launch.workingDirectory = folder_.Path("");
        launch.outputPrefix = folder_.Path("run");
        int status = WaitForChild(StartChild(launch));
        return {status, ReadFile(launch.outputPrefix + ".out"),
                ReadFile(launch.outputPrefix + ".err")};
    }

    TemporaryFolder folder_;
};

TEST_F(VfsToolTest, HelpGoesToStandardOutput) {
    Output output = Run({"--help"});
    EXPECT_EQ(output.status, 0);
    EXPECT_EQ(
        output.out.rfind("Usage: ferrox-vfs [--mount ARCHIVE]... ls|test|cat|stat|extract", 0), 0u)
        << output.out;
    EXPECT_EQ(output.err, "");
}

TEST_F(VfsToolTest, UsageErrorsExitWithTwoBeforeMountingAnything) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "no command"},
        {{"frob"}, "unknown command: frob"},
        {{"--mount"}, "--mount needs an archive"},
        {{"--mount", "a.zip"}, "no command"},
        {{"--frob", "ls"}, "unknown option: --frob"},
        {{"--mount", "missing.zip", "cat"}, "cat needs at least one name"},
        {{"stat"}, "stat needs at least one name"},
        {{"ls", "dup.txt"}, "ls takes no names"},
    };
    for (const auto& [arguments, message] : cases) {
        SCOPED_TRACE(message);
        Output output = Run(arguments);
        EXPECT_EQ(output.status, 2);
        EXPECT_EQ(output.out, "");
        EXPECT_EQ(Text(output.err), "ferrox-vfs: " + message + "\nTry 'ferrox-vfs --help'.\n");
    }
}

TEST_F(VfsToolTest, ListsPrintsAndDescribesFilesAsTheFileLayerFindsThem) {
    struct Case {
        std::vector<std::string> arguments;
        int status;
        std::string out, err;
        bool binary; // standard output compared byte for byte
    };
    const std::string readmeStat = "docs\\readme.txt: archive a.zip entry docs/readme.txt, 15 "
                                   "bytes, deflated (" +
                                   std::to_string(RawDeflate("Read me first.\n").size()) +
                                   " compressed)\n";
    const Case cases[] = {
        {{"--mount", "a.zip", "--mount", "b.zip", "ls"},
         0,
         "Archive: a.zip\n" + kHeading +
             "        16          16  stored     2024-01-01 12:00  d8e571fa  Bin/Raw.dat\n"
             "        15          17  deflated   2024-01-01 12:00  c9abfe28  docs/readme.txt\n"
             "         6           6  stored     2024-01-01 12:00  60063401  dup.txt\n"
             "        14          14  stored     2024-01-01 12:00  3118119f  shared.txt\n"
             "        51          53  4 entries\n"
             "Archive: b.zip\n" +
             kHeading +
             "         8           8  stored     2024-01-01 12:00  5e620361  DUP.TXT  (hidden by "
             "an earlier entry of that name)\n"
             "         8           8  1 entry\n",
         "",
         false},
        {{"--mount", "a.zip", "--mount", "b.zip", "cat", "dup.txt", "Bin\\Raw.dat", "SHARED.TXT"},
         0,
         "from a" + kRaw + "from disk\n",
         "",
         true},
        {{"--mount", "c.zip", "cat", "big.bin"}, 0, kNoise, "", true},
        {{"--mount", "a.zip", "cat", "docs/readme.txt", "nothing", "dup.txt"},
         1,
         "Read me first.\nfrom a",
         "ferrox-vfs: nothing: not found\n",
         true},
        {{"cat", "shared.txt"}, 0, "from disk\n", "", true},
        {{"--mount", "c.zip", "cat", "short.bin", "shared.txt"},
         1,
         "abcfrom disk\n",
         "ferrox-vfs: short.bin: cannot be read to its end: 3 of 100 bytes\n",
         true},
        {{"--mount", "a.zip", "--mount", "b.zip", "stat", "shared.txt", "DUP.TXT",
          "docs\\readme.txt", "nothing"},
         1,
         "shared.txt: disk\nDUP.TXT: archive a.zip entry dup.txt, 6 bytes, stored\n" + readmeStat +
             "nothing: not found\n",
         "",
         false},
        {{"--mount", "missing.zip", "--mount", "a.zip", "stat", "dup.txt"},
         1,
         "",
         "ferrox-vfs: missing.zip: " + std::string(MountResultText(kCannotOpen)) +
             " (No such file or directory)\n",
         false},
        {{"--mount", "text.zip", "ls"},
         1,
         "",
         "ferrox-vfs: text.zip: " + std::string(MountResultText(kNotAnArchive)) + "\n",
         false},
        {{"--mount", "a.zip", "--mount", "A.ZIP", "ls"},
         1,
         "",
         "ferrox-vfs: A.ZIP: " + std::string(MountResultText(kAlreadyMounted)) + "\n",
         false},
    };
    for (const Case& c : cases) {
        std::string command;
        for (const std::string& argument : c.arguments) {
            command += " " + argument;
        }
        SCOPED_TRACE(command);
        Output output = Run(c.arguments);
        EXPECT_EQ(output.status, c.status);
        EXPECT_EQ(c.binary ? output.out : Text(output.out), c.out);
        EXPECT_EQ(Text(output.err), c.err);
    }
}

} // namespace
