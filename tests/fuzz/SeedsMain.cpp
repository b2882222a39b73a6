// Writes a fuzz target's seed inputs for each fixture clip into a corpus directory.
//
//   fuzz_seeds_TARGET OUTDIR CLIP...
#include "fuzz/FuzzTarget.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv) {
    LLVMFuzzerInitialize(&argc, &argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTDIR CLIP...\n", argv[0]);
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    int written = 0;
    for (int i = 2; i < argc; ++i) {
        const std::filesystem::path clip = argv[i];
        int n = 0;
        for (const std::string& seed : zarvo::fuzz::SeedsFromClip(clip)) {
            std::ofstream file(directory / (clip.filename().string() + "." + std::to_string(n++)),
                               std::ios::binary);
            file.write(seed.data(), static_cast<std::streamsize>(seed.size()));
            written += file.good() ? 1 : 0;
        }
    }
    std::printf("%d seeds\n", written);
    return written > 0 ? 0 : 1;
}
