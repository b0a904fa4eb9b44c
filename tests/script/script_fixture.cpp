#include "tests/script/script_fixture.h"

#include "diag/log.h"

#include <cstring>
#include <fstream>

std::string& ScriptTest::Logged() {
    static std::string logged;
    return logged;
}

void ScriptTest::SetUp() {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_.Folder());
    Logged().clear();
    SetLogEchoHook([](const char* message) { Logged() += message; });
}

void ScriptTest::TearDown() {
    SetLogEchoHook(nullptr);
    std::filesystem::current_path(previous_);
}

void ScriptTest::WriteFile(const std::string& name, const std::string& text) const {
    std::filesystem::path path = folder_.Path(name);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::unique_ptr<ScriptSource> ScriptTest::Source(const std::string& text, const std::string& name) {
    WriteFile(name, text);
    return std::make_unique<ScriptSource>(name.c_str());
}

void AddConstant(ScriptSource& source, const char* name, ScriptValue* value) {
    ScriptEntry* constant = new ScriptEntry;
    std::strncpy(constant->name, name, sizeof constant->name - 1);
    constant->values = value;
    source.AddConstant(constant);
}
