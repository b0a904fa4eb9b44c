// A fresh folder for a test, removed with everything in it when the object goes.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
            auto folder = std::filesystem::temp_directory_path() /
                          ("ferrox-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(folder)) {
                folder_ = folder.string();
            }
        }
        if (folder_.empty()) {
            throw std::runtime_error("no temporary folder");
        }
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& Folder() const { return folder_; }
    std::string Path(const std::string& name) const { return folder_ + "/" + name; }

    // Writes `bytes` to the file `name` (UTF-8) in the folder, creating folders on the way; its
    // path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::string path = Path(name);
        std::filesystem::path file = std::filesystem::u8path(path);
        std::filesystem::create_directories(file.parent_path());
        std::ofstream stream(file, std::ios::binary | std::ios::trunc);
        stream.write(bytes.data(), std::streamsize(bytes.size()));
        if (!stream.flush()) {
            throw std::runtime_error("cannot write " + path);
        }
        return path;
    }

private:
    std::string folder_;
};
