// Parsing configuration files: the scanner and the literal readers alone, and whole files of
// 1 MB and 10 MB with their tree built and destroyed, beside inih and toml++ parsing files of
// the same size and content; and includes of missing files in a big folder.
#include "bench/script_corpus.h"
#include "script/parser.h"
#include "tests/support/temporary_folder.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <ini.h>
#include <map>
#include <string>
#include <toml++/toml.h>
#include <vector>

namespace {

const long kMegabyte = 1 << 20;

// Names whose 32-bit FNV-1a hashes share their low 20 bits, as an attacker who knows the hash
// would choose them. The low bits of FNV-1a depend on the low bits of its state alone, so the
// names are built from four-letter blocks: at each step, the blocks that lead from the common
// state to one same next state may stand in any combination.
std::vector<std::string> CollidingNames(size_t count) {
    const std::string letters = "abcdefghijklmnopqrstuvwxyz0123456789_";
    const uint32_t low = (1u << 20) - 1;
    auto blockOf = [&letters](size_t number) {
        std::string block;
        for (int i = 0; i < 4; ++i, number /= letters.size()) {
            block += letters[number % letters.size()];
        }
        return block;
    };
    auto next = [low](uint32_t state, const std::string& block) {
        for (unsigned char c : block) {
            state = (state ^ c) * 16777619u;
        }
        return state & low;
    };
    const size_t blocks = letters.size() * letters.size() * letters.size() * letters.size();
    std::vector<std::vector<std::string>> choices;
    uint32_t state = 2166136261u;
    for (size_t combinations = 1; combinations < count;) {
        std::vector<uint16_t> landings(low + 1);
        uint32_t busiest = 0;
        for (size_t number = 0; number < blocks; ++number) {
            uint32_t to = next(state, blockOf(number));
            busiest = ++landings[to] > landings[busiest] ? to : busiest;
        }
        choices.emplace_back();
        for (size_t number = 0; number < blocks; ++number) {
            if (next(state, blockOf(number)) == busiest) {
                choices.back().push_back(blockOf(number));
            }
        }
        combinations *= choices.back().size();
        state = busiest;
    }
    std::vector<std::string> names;
    for (size_t number = 0; names.size() < count; ++number) {
        std::string name;
        for (size_t rest = number, at = 0; at < choices.size(); ++at) {
            name += choices[at][rest % choices[at].size()];
            rest /= choices[at].size();
        }
        names.push_back(name);
    }
    return names;
}

// 20,000 typedefs and a call of each, with ordinary names or with colliding ones.
std::string TypedefFile(bool colliding) {
    std::vector<std::string> names = CollidingNames(colliding ? 20000 : 0);
    for (int i = 0; names.size() < 20000; ++i) {
        names.push_back("keyword_" + std::to_string(i));
    }
    std::string text;
    for (const std::string& name : names) {
        text += "!" + name + "()\r\n";
    }
    for (const std::string& name : names) {
        text += name + "()\r\n";
    }
    return text;
}

struct Files {
    TemporaryFolder folder;
    std::map<long, std::string> configuration, ini, toml; // by size in bytes
    std::string literals = "literals.ini";
    std::string hostile = "hostile.ini";
    std::string typedefs[2]; // ordinary names, colliding names

    Files() {
        for (long size : {kMegabyte, 10 * kMegabyte}) {
            ScriptCorpus all = RealisticCorpus(size);
            configuration[size] = Write("game-" + std::to_string(size) + ".ini", all.configuration);
            ini[size] = Write("plain-" + std::to_string(size) + ".ini", all.ini);
            toml[size] = Write("game-" + std::to_string(size) + ".toml", all.toml);
        }
        std::string text;
        while (long(text.size()) < kMegabyte) {
            text += "1234567 -42 3.14159 -0.5 \"a string of some length\\n\" ";
        }
        literals = Write("literals.ini", text);
        hostile = Write("hostile.ini", Hostile());
        typedefs[0] = Write("typedefs.ini", TypedefFile(false));
        typedefs[1] = Write("colliding.ini", TypedefFile(true));
    }
    // 10 MB of 200,000 typedefs and then a call of each, oldest first: the shape that makes a
    // parser that walks its typedef list for every call take quadratic time.
    static std::string Hostile() {
        std::string text;
        char line[64];
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < 200000; ++i) {
                std::snprintf(line, sizeof line,
                              pass ? "kw_%06d_ab(%d, \"x\")\r\n" : "!kw_%06d_ab(i, s)\r\n", i, i);
                text += line;
            }
        }
        text += "/*";
        text.resize(10 * kMegabyte - 2, '-');
        return text + "*/";
    }
    std::string Write(const std::string& name, const std::string& text) {
        std::ofstream(folder.Path(name), std::ios::binary) << text;
        return folder.Path(name);
    }
};

Files& TheFiles() {
    static Files files;
    return files;
}

void Scanner(benchmark::State& state) {
    const std::string& path = TheFiles().configuration[kMegabyte];
    for (auto _ : state) {
        ScriptSource source(path.c_str());
        char word[32];
        while (source.SkipBlanks() == 0) {
            if (source.ReadWord(word, sizeof word) == 0 && word[0] == '\0') {
                source.GetChar();
            }
        }
        state.SetBytesProcessed(state.bytes_processed() + source.size);
    }
}

void Literals(benchmark::State& state) {
    for (auto _ : state) {
        ScriptSource source(TheFiles().literals.c_str());
        int32_t error = 0;
        while (source.SkipBlanks() == 0 && error == 0) {
            delete source.ParseIntLiteral(&error);
            source.SkipBlanks();
            delete source.ParseIntLiteral(&error);
            source.SkipBlanks();
            delete source.ParseFloatLiteral(&error);
            source.SkipBlanks();
            delete source.ParseFloatLiteral(&error);
            source.SkipBlanks();
            delete source.ParseStringLiteral(&error);
        }
        state.SetBytesProcessed(state.bytes_processed() + source.size);
    }
}

void ParseFile(benchmark::State& state) {
    const std::string& path = TheFiles().configuration[state.range(0)];
    for (auto _ : state) {
        delete ParseScriptFile(path.c_str());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

// inih with a callback that only counts the pairs: it allocates nothing, so the time is inih's
// own reading and splitting of the lines.
void InihCounting(benchmark::State& state) {
    const std::string& path = TheFiles().ini[state.range(0)];
    for (auto _ : state) {
        long pairs = 0;
        ini_parse(
            path.c_str(),
            [](void* user, const char*, const char*, const char*) {
                ++*static_cast<long*>(user);
                return 1;
            },
            &pairs);
        benchmark::DoNotOptimize(pairs);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void TomlPlusPlus(benchmark::State& state) {
    const std::string& path = TheFiles().toml[state.range(0)];
    for (auto _ : state) {
        toml::table table = toml::parse_file(path);
        benchmark::DoNotOptimize(&table);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}

void ParseHostile(benchmark::State& state) {
    for (auto _ : state) {
        delete ParseScriptFile(TheFiles().hostile.c_str());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 10 * kMegabyte);
}

// Parsing and cleaning up 20,000 typedefs: ordinary names (0), and names chosen to collide (1).
void Typedefs(benchmark::State& state) {
    const std::string& path = TheFiles().typedefs[state.range(0)];
    for (auto _ : state) {
        delete ParseScriptFile(path.c_str());
    }
}

// 4096 includes of files that are missing from a folder of 5000 others: distinct names
// (argument 0), or the same seven over again (1).
void MissingIncludes(benchmark::State& state) {
    TemporaryFolder folder;
    for (int i = 0; i < 5000; ++i) {
        folder.Write("file" + std::to_string(i) + ".dat", "");
    }
    std::string text = "!a()\n";
    for (int i = 0; i < 4096; ++i) {
        text += "!include(\"missing" + std::to_string(state.range(0) ? i % 7 : i) + ".ini\")\n";
    }
    std::string path = folder.Write("game.ini", text + "a()\n");
    for (auto _ : state) {
        delete ParseScriptFile(path.c_str());
    }
}

BENCHMARK(MissingIncludes)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Typedefs)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Scanner)->Unit(benchmark::kMillisecond);
BENCHMARK(ParseHostile)->Unit(benchmark::kMillisecond);
BENCHMARK(Literals)->Unit(benchmark::kMillisecond);
BENCHMARK(ParseFile)->Arg(kMegabyte)->Arg(10 * kMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(InihCounting)->Arg(kMegabyte)->Arg(10 * kMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(TomlPlusPlus)->Arg(kMegabyte)->Arg(10 * kMegabyte)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
