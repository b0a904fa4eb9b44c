#include "tests/launcher/child_process.h"

#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

bool WaitUntil(const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(4);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

std::filesystem::path FilePath(const std::string& utf8) {
    return std::filesystem::u8path(utf8);
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(FilePath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

bool PathExists(const std::string& path) {
    return std::filesystem::exists(FilePath(path));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}
