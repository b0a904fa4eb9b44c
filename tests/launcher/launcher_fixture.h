// A fresh game folder for each test: a copy of the real ferrox executable beside the platform
// library and the recording engine, a private lock folder for the instance mutex, and an
// empty folder of programs on the search path.
#pragma once

#include "tests/launcher/child_process.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

struct LauncherRun {
    int exitCode;
    std::string standardError;
    pid_t pid;
};

class LauncherTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts ferrox with the command-line words, from `workingDirectory` (default: the game
    // folder), with extra NAME=value environment entries.
    pid_t Start(const std::vector<std::string>& words, const std::string& workingDirectory = "",
                const std::vector<std::string>& environment = {});
    LauncherRun Finish(pid_t pid);
    // What a run that ended with `exitCode` left behind.
    LauncherRun Collect(pid_t pid, int exitCode);
    LauncherRun Run(const std::vector<std::string>& words, const std::string& workingDirectory = "",
                    const std::vector<std::string>& environment = {});

    // The engine calls that process `pid` recorded, one a line.
    std::vector<std::string> CallsOf(pid_t pid) const;
    // Holds the instance mutex in this process, as a running first instance would.
    void HoldInstanceMutex();

    std::string Path(const std::string& name) const { return folder_ + "/" + name; }
    void WriteFile(const std::string& name, const std::string& content) const;
    // Installs the argument-recording program as `name` (a path below the game folder).
    void InstallRecorder(const std::string& name) const;

    std::string folder_;
    std::string programsFolder_;

private:
    std::vector<void*> heldMutexes_;
    std::map<pid_t, std::string> outputs_;
};

std::vector<std::string> Lines(const std::string& text);
