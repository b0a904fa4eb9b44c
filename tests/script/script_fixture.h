// Each script test works in a fresh folder, which is also the working folder (the diagnostic
// log writes there), and sees every message that reaches the diagnostic log.
#pragma once

#include "script/source.h"
#include "tests/support/temporary_folder.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes `text` to the file `name` (below the folder) and reads it as a source.
    std::unique_ptr<ScriptSource> Source(const std::string& text,
                                         const std::string& name = "source.txt");
    void WriteFile(const std::string& name, const std::string& text) const;
    // Everything logged since the test began.
    static std::string& Logged();

    TemporaryFolder folder_;

private:
    std::filesystem::path previous_;
};

// Puts a constant at the head of the source's constant list.
void AddConstant(ScriptSource& source, const char* name, ScriptValue* value);
