// A fresh game folder for each test: a copy of the real ferrox executable beside the
// recording engine (and on POSIX the platform library), a private lock folder for the
// instance mutex, and an empty folder of programs that is the whole search path.
#pragma once

#include "tests/launcher/child_process.h"
#include "tests/support/temporary_folder.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

struct LauncherRun {
    int exitCode;
    std::string debugOutput; // what the launcher wrote to the debugger
    int id;                  // the run's number within the test
};

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts ferrox with the command-line words, from `workingDirectory` (default: the game
    // folder), with extra NAME=value environment entries; the result names the run.
    int Start(const std::vector<std::string>& words, const std::string& workingDirectory = "",
              const std::vector<std::string>& environment = {});
    LauncherRun Finish(int id);
    // The run's result if it has ended; false while it runs.
    bool Ended(int id, LauncherRun* run);
    LauncherRun Run(const std::vector<std::string>& words, const std::string& workingDirectory = "",
                    const std::vector<std::string>& environment = {});

    ChildId ProcessOf(int id) const { return children_.at(id); }
    // The engine calls that the run recorded, one a line.
    std::vector<std::string> CallsOf(int id) const;
    // Holds the instance mutex in this process, as a running first instance would.
    void HoldInstanceMutex();

    std::string Path(const std::string& name) const { return folder_ + "/" + name; }
    void WriteFile(const std::string& name, const std::string& content) const;
    // Removes a file or folder below the game folder. Under Wine a program that has just ended
    // may hold its files a moment longer, so a removal that is refused is tried again.
    void Remove(const std::string& name) const;
    // Installs the argument-recording program as `name`, a path below the game folder.
    void InstallRecorder(const std::string& name) const;
    // Installs a "JDK\bin\compile.bat" that records how it was called, and reads that record.
    void InstallCompiler() const;
    std::vector<std::string> CompilerRecord() const;

    TemporaryFolder temporary_;
    std::string folder_;
    std::string programsFolder_;

private:
    LauncherRun Collect(int id, int exitCode) const;

    int runs_ = 0;
    std::map<int, ChildId> children_; // the runs not yet collected
    std::vector<void*> heldMutexes_;
};

// What the debugger output holds after the already-running message box was shown.
std::string RunningMessage(const std::string& title, const std::string& text);
