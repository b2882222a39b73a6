// A folder of its own for a test, removed with everything in it when the test ends.
#pragma once

#include <filesystem>
#include <stdlib.h>

namespace zarvo::test {

class ScratchDir {
public:
    ScratchDir() {
        char pattern[] = "/tmp/zarvo-test-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    ~ScratchDir() { std::filesystem::remove_all(path_); }

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace zarvo::test
