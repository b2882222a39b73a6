// Fuzz target: arbitrary bytes as a media file, read by the real detector through its own I/O
// path and reported by the real report builder. The bytes live in a memory file; nothing is
// written to disk. The first byte chooses the file name's extension, which decides whether the
// detector first opens the file with the demuxer its name suggests.
#include "fuzz/FuzzTarget.h"
#include "hostile/ReportShape.h"
#include "platform/MediaDet.h"
#include "report/ReportBuilder.h"
#include "support/RecordingView.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <sys/mman.h>
#include <unistd.h>

namespace zarvo::fuzz {
namespace {

// The first, empty, one gives a name without an extension: the bytes alone decide the format.
const char* const kExtensions[] = {"",    "avi", "wav", "mkv", "webm", "mka",  "mp4", "mov",
                                   "m4a", "3gp", "ogg", "ogv", "oga",  "opus", "wmv", "wma",
                                   "asf", "mpg", "ts",  "flv", "mp3",  "aac",  "ac3"};
constexpr std::size_t kExtensionCount = std::size(kExtensions);

// A memory file, reachable under every extension through symbolic links to /proc/self/fd: the
// links hold no data and are removed when the process ends.
class MemoryFile {
public:
    MemoryFile() {
        fd_ = ::memfd_create("zarvo-fuzz", MFD_CLOEXEC);
        Require(fd_ >= 0, "a memory file can be made");
        self_ = "/proc/self/fd/" + std::to_string(fd_);
        std::string pattern = (std::filesystem::temp_directory_path() / "zarvo-fuzz-XXXXXX");
        Require(::mkdtemp(pattern.data()) != nullptr, "a directory for the links can be made");
        links_ = pattern;
        for (std::size_t i = 1; i < kExtensionCount; ++i)
            std::filesystem::create_symlink(self_,
                                            links_ / (std::string("input.") + kExtensions[i]));
    }
    ~MemoryFile() {
        std::error_code ignored;
        std::filesystem::remove_all(links_, ignored);
        ::close(fd_);
    }

    // Replaces the file's content and returns the name to open it by.
    std::string Hold(std::size_t extension, const std::uint8_t* data, std::size_t size) {
        Require(::ftruncate(fd_, 0) == 0, "the memory file can be emptied");
        std::size_t written = 0;
        while (written < size) {
            const ssize_t count =
                ::pwrite(fd_, data + written, size - written, static_cast<off_t>(written));
            Require(count > 0, "the memory file can be written");
            written += static_cast<std::size_t>(count);
        }
        if (extension == 0)
            return self_;
        return (links_ / (std::string("input.") + kExtensions[extension])).string();
    }

private:
    int fd_ = -1;
    std::string self_;
    std::filesystem::path links_;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string FileNamePart(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

} // namespace

std::vector<std::string> SeedsFromClip(const std::filesystem::path& clip) {
    std::ifstream file(clip, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    const std::string extension = Lower(clip.extension().string().substr(1));
    const auto named = std::find(std::begin(kExtensions) + 1, std::end(kExtensions), extension);
    // The clip read by its bytes alone, and by its name when the name is one the target gives.
    std::vector<std::string> seeds{std::string(1, '\0') + bytes.str()};
    if (named != std::end(kExtensions))
        seeds.push_back(static_cast<char>(named - std::begin(kExtensions)) + bytes.str());
    return seeds;
}

} // namespace zarvo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zarvo;
    using namespace zarvo::fuzz;
    static MemoryFile file;
    static const ClassRegistration registration = RegisterMediaDet();
    if (size == 0)
        return 0;
    const std::string path = file.Hold(data[0] % kExtensionCount, data + 1, size - 1);

    zarvo::test::RecordingView view;
    const zarvo::ReportOutcome outcome = zarvo::GetFileData(path, view);

    Require(outcome.result != zarvo::ReportResult::NoDetector, "the detector exists");
    Require(view.messages.empty(), "no message when the detector exists");
    if (outcome.result != zarvo::ReportResult::Reported) {
        Require(view.title == "previous title" && view.caption == "previous caption" &&
                    view.lines == std::vector<std::string>{"previous report"},
                "the view keeps its text when there is no report");
        Require(!DescribeStatus(outcome.status).starts_with("error 0x"),
                "a refusal says why in words");
        // Memory is plentiful here: libavformat's "no memory" means a header that lies.
        Require(outcome.status != E_OUTOFMEMORY, "a damaged file is not called out of memory");
        return 0;
    }
    const zarvo::hostile::ShapeCheck shape = zarvo::hostile::CheckReportShape(view.lines);
    if (!shape.error.empty())
        std::fprintf(stderr, "%s\n", shape.error.c_str());
    Require(shape.error.empty(), "the report has its promised shape");
    Require(view.lines[0] == "File:\t\t" + FileNamePart(path), "the file line names the file");
    Require(view.lines[1] == "Size:\t\t0 MB" || size > (1u << 20), "the size line is the size");
    return 0;
}
