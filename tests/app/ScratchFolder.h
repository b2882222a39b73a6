// Folders of a test's own, and fixture clips copied into them under other names.
#pragma once

#include "FormTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <filesystem>
#include <string>
#include <system_error>

namespace zarvo::test {

// A folder of the test's own, removed with everything in it, names that are not valid UTF-8 too.
class ScratchFolder {
public:
    ScratchFolder() { std::filesystem::create_directory(path_); }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }

private:
    QTemporaryDir made_;
    std::string path_ = QFile::encodeName(made_.path()).toStdString() + "/files";
};

inline std::string NativePath(const ScratchFolder& directory, const std::string& name) {
    return directory.Path() + "/" + name;
}

// A copy of a fixture clip under another name, made in a folder of the test's own.
inline std::string CopyClip(const ScratchFolder& directory, const std::string& name,
                            const std::string& clip = kClip) {
    const std::string path = NativePath(directory, name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::filesystem::copy_file(clip, path);
    return path;
}

} // namespace zarvo::test
