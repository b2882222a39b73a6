// The catalogue's files that change between the detector's open and the rest of the report.
#include "hostile/Catalogue.h"

namespace zarvo::hostile {
namespace {

namespace fs = std::filesystem;

// The clip's known report under `name`, with the size line that the changed file gives.
ReportCheck ReportWithSize(const std::string& name, const std::string& megabytes) {
    return [name, megabytes](const std::vector<std::string>& lines) {
        std::vector<std::string> expected = ExpectedReport("xvid_mp3.avi");
        expected[0] = "File:\t\t" + name;
        expected[1] = "Size:\t\t" + megabytes + " MB";
        EXPECT_EQ(lines, expected);
    };
}

TEST_F(Catalogue, AFileChangedAfterTheDetectorOpenedItStillGivesTheReport) {
    // Each clip starts as 5 GiB, so that a size line of fewer megabytes shows that the size was
    // read from the file as it is by the time of the report.
    struct Change {
        std::string name, action, megabytes;
    };
    const Change changes[] = {
        {"deleted.avi", "delete", "0"},     {"shrunk.avi", "truncate=3145728", "3"},
        {"emptied.avi", "truncate=0", "0"}, {"made directory.avi", "directory", "0"},
        {"made fifo.avi", "fifo", "0"}, // its size is read without waiting for a writer
        {"made device.avi", "device", "0"},
    };
    fs::create_directory(Path("victim"));
    std::vector<Case> cases;
    for (const Change& change : changes) {
        const std::string path = "victim/" + change.name;
        fs::copy_file(MediaDirectory() / "xvid_mp3.avi", Path(path));
        fs::resize_file(Path(path), std::uintmax_t{5} << 30);
        Case c = Reported("after the open: " + change.action, path,
                          ReportWithSize(change.name, change.megabytes));
        c.afterOpen = change.action;
        cases.push_back(c);
    }
    RunAll(cases, {"victim"});
}

} // namespace
} // namespace zarvo::hostile
