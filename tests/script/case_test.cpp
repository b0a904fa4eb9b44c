// Whole parses described by files: each cases/NAME.case is a recipe for a set of configuration
// files, of which the first is parsed, and NAME.expected the log it must write and the number
// of entries it must return. A new case is a new pair of files.
//
// A recipe is a list of files. "file NAME" starts one; the lines after it are its content, each
// ended with CR LF. "file NAME * N" makes N files from one template, with %d in the name and
// the content standing for the file's number (0 to N-1) and %n for the next number. In content,
// {COUNT*TEXT} stands for TEXT repeated COUNT times. Lines starting with # are comments.
//
// The expected log shows each message with its lines cut to 100 characters, and a run of equal
// messages once, after the count of the run ("100 x ").
#include "tests/script/script_fixture.h"

#include "script/parser.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>
#include <vector>

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The content line with every {COUNT*TEXT} written out.
std::string Expand(const std::string& line) {
    std::string out;
    size_t at = 0;
    for (size_t open; (open = line.find('{', at)) != std::string::npos;) {
        size_t star = line.find('*', open), close = line.find('}', open);
        if (star == std::string::npos || close == std::string::npos || star > close) {
            break;
        }
        out += line.substr(at, open - at);
        long count = std::stol(line.substr(open + 1, star - open - 1));
        for (long i = 0; i < count; ++i) {
            out.append(line, star + 1, close - star - 1);
        }
        at = close + 1;
    }
    return out + line.substr(at);
}

class Cases : public ScriptTest {
protected:
    // Writes the recipe's files in the folder `under`; the name of the first.
    std::string WriteRecipe(const std::string& recipe, const std::string& under) {
        std::vector<std::pair<std::string, int>> files; // template and count
        std::vector<std::string> contents;
        std::istringstream lines(recipe);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("#", 0) == 0) {
                continue;
            }
            if (line.rfind("file ", 0) == 0) {
                size_t star = line.find(" * ");
                files.emplace_back(line.substr(5, star - 5),
                                   star == std::string::npos ? 1
                                                             : std::stoi(line.substr(star + 3)));
                contents.emplace_back();
            } else if (!contents.empty()) {
                contents.back() += Expand(line) + "\r\n";
            }
        }
        for (size_t f = 0; f < files.size(); ++f) {
            for (int i = 0; i < files[f].second; ++i) {
                auto fill = [i](const std::string& text) {
                    return Replace(Replace(text, "%d", std::to_string(i)), "%n",
                                   std::to_string(i + 1));
                };
                WriteFile(under + "/" + fill(files[f].first), fill(contents[f]));
            }
        }
        return files.empty() ? "" : Replace(files[0].first, "%d", "0");
    }
};

// The log as the expected files show it.
std::string Summary(const std::string& logged) {
    std::vector<std::string> messages;
    for (size_t at = 0; at < logged.size();) {
        size_t next = logged.find("[CQSParse] ", at + 1);
        size_t verdict = logged.find("Parser: ", at + 1);
        size_t end = std::min({next, verdict, logged.size()});
        std::string message;
        std::istringstream lines(logged.substr(at, end - at));
        for (std::string line; std::getline(lines, line);) {
            message += (line.size() > 100 ? line.substr(0, 100) + "..." : line) + "\n";
        }
        messages.push_back(message);
        at = end;
    }
    std::string summary;
    for (size_t first = 0, last; first < messages.size(); first = last) {
        for (last = first + 1; last < messages.size() && messages[last] == messages[first];) {
            ++last;
        }
        summary += (last - first > 1 ? std::to_string(last - first) + " x " : "") + messages[first];
    }
    return summary;
}

TEST_F(Cases, EachParseWritesItsExpectedLog) {
    const std::filesystem::path cases(FERROX_SCRIPT_CASES);
    int run = 0;
    for (const auto& item : std::filesystem::directory_iterator(cases)) {
        if (item.path().extension() != ".case") {
            continue;
        }
        std::string name = item.path().stem().string();
        std::string top = WriteRecipe(ReadAll(item.path()), name);
        std::filesystem::current_path(folder_.Path(name));
        Logged().clear();
        ScriptEntry* entries = ParseScriptFile(top.c_str());
        int count = 0;
        for (const ScriptEntry* entry = entries; entry; entry = entry->next) {
            ++count;
        }
        delete entries;
        EXPECT_EQ(Summary(Logged()) + "entries: " + std::to_string(count) + "\n",
                  ReadAll(cases / (name + ".expected")))
            << name;
        std::filesystem::current_path(folder_.Folder()); // the log stays open in its folder
        ++run;
    }
    EXPECT_GT(run, 0);
}

} // namespace
