// Replays a fuzz target's inputs without libFuzzer: regression inputs as they are, and the
// inputs that stand for each fixture clip. Any broken promise or sanitizer report fails it.
//
//   fuzz_replay_TARGET [--clips DIR]... [FILE|DIR]...
#include "fuzz/FuzzTarget.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string_view>

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> FilesIn(const fs::path& path) {
    if (!fs::is_directory(path))
        return {path};
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(path))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

void Run(const std::string& input) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
}

} // namespace

int main(int argc, char** argv) {
    LLVMFuzzerInitialize(&argc, &argv);
    int runs = 0;
    for (int i = 1; i < argc; ++i) {
        const bool clips = std::string_view(argv[i]) == "--clips" && i + 1 < argc;
        const fs::path path = clips ? argv[++i] : argv[i];
        if (!fs::exists(path)) {
            std::fprintf(stderr, "no such input: %s\n", path.c_str());
            return 1;
        }
        for (const fs::path& file : FilesIn(path)) {
            if (clips) {
                for (const std::string& seed : zarvo::fuzz::SeedsFromClip(file)) {
                    Run(seed);
                    ++runs;
                }
                continue;
            }
            std::ifstream stream(file, std::ios::binary);
            std::stringstream bytes;
            bytes << stream.rdbuf();
            Run(bytes.str());
            ++runs;
        }
    }
    std::printf("replayed %d inputs\n", runs);
    return runs > 0 ? 0 : 1;
}
