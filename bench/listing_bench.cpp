// Listing and testing an archive of 50,000 small entries with ferrox-vfs, run as a user runs
// it, against unzip -l and unzip -t on the same archive.
#include "tests/support/temporary_folder.h"
#include "tests/vfs/zip_writer.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace {

const int kEntries = 50000;

struct Archive {
    TemporaryFolder folder;
    std::string path;
    std::string tool =
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "ferrox-vfs").string();
    Archive() {
        std::vector<ZipItem> items;
        for (int i = 0; i < kEntries; ++i) {
            items.emplace_back("data/folder" + std::to_string(i % 100) + "/file" +
                                   std::to_string(i) + ".txt",
                               "content " + std::to_string(i) + "\n");
        }
        path = folder.Write("many.zip", MakeZip(items).bytes);
    }
};

Archive& TheArchive() {
    static Archive archive;
    return archive;
}

void Run(benchmark::State& state, const std::string& command) {
    for (auto _ : state) {
        if (std::system((command + " > /dev/null 2>&1").c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            break;
        }
    }
}

void FerroxVfsList(benchmark::State& state) {
    Run(state, TheArchive().tool + " --mount " + TheArchive().path + " ls");
}
void UnzipList(benchmark::State& state) {
    Run(state, "unzip -l " + TheArchive().path);
}
void FerroxVfsTest(benchmark::State& state) {
    Run(state, TheArchive().tool + " --mount " + TheArchive().path + " test");
}
void UnzipTest(benchmark::State& state) {
    Run(state, "unzip -tq " + TheArchive().path);
}

BENCHMARK(FerroxVfsList)->Unit(benchmark::kMillisecond);
BENCHMARK(UnzipList)->Unit(benchmark::kMillisecond);
BENCHMARK(FerroxVfsTest)->Unit(benchmark::kMillisecond);
BENCHMARK(UnzipTest)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
