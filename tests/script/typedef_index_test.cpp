// The typedef index under bad hashes: with a zero key every name hashes alike, so all typedefs
// share one probe run; with a key that keeps only a name's second to fourth bytes, the names fall
// on a few homes whose runs run into each other.
#include "script/typedef_index.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

ScriptEntry* FindIn(const TypedefIndex& index, const std::string& name) {
    PaddedName padded = {};
    name.copy(padded, sizeof padded - 1);
    return index.Find(padded);
}

} // namespace

class TypedefIndexWith : public ::testing::TestWithParam<uint64_t> {};

TEST_P(TypedefIndexWith, CollidingNamesAreFoundAndComeBackInStackOrder) {
    TypedefHashKey key = {};
    key.words[1] = GetParam();
    TypedefIndex index(key);
    std::vector<std::unique_ptr<ScriptEntry>> pushed;
    std::map<std::string, std::vector<ScriptEntry*>> inForce; // newest last
    std::mt19937 random(13);
    auto check = [&] {
        for (const auto& name : inForce) {
            ScriptEntry* expected = name.second.empty() ? nullptr : name.second.back();
            ASSERT_EQ(FindIn(index, name.first), expected) << name.first;
        }
    };
    // Blocks open and close: pushes of 400 names (some again, hiding the older one), and pops
    // of the newest, until everything has gone again.
    for (int step = 0; step < 3000 || !pushed.empty(); ++step) {
        if (step < 3000 && random() % 3 != 0) {
            auto type = std::make_unique<ScriptEntry>();
            std::snprintf(type->name, sizeof type->name, "k%u", unsigned(random() % 400));
            index.Push(type.get());
            inForce[type->name].push_back(type.get());
            pushed.push_back(std::move(type));
        } else if (!pushed.empty()) {
            index.Pop();
            inForce[pushed.back()->name].pop_back();
            pushed.pop_back();
        }
        if (step % 97 == 0) {
            check();
        }
    }
    check();
    EXPECT_EQ(FindIn(index, "k1"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(BadKeys, TypedefIndexWith, ::testing::Values(0u, uint64_t(1) << 24));
