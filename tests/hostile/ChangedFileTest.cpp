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

TEST_F(Catalogue, AFileChangedAfterTheDetectorOpenedGivesItsReportAsItIsNowOrNone) {
    // Each clip starts as 5 GiB, so that a size line of fewer megabytes shows that the size was
    // read from the file as it is by the time of the report. A file that is gone, or is no longer
    // a regular file, has no size to show: its report is refused.
    struct Change {
        std::string name, action, megabytes, refusal;
    };
    const Change changes[] = {
        {"deleted.avi", "delete", "", "cannot read the file's size (No such file or directory)"},
        {"shrunk.avi", "truncate=3145728", "3", ""},
        {"emptied.avi", "truncate=0", "0", ""},
        {"made directory.avi", "directory", "", "cannot read the file's size (not a regular file)"},
        // its kind is seen without waiting for a writer
        {"made fifo.avi", "fifo", "", "cannot read the file's size (not a regular file)"},
        {"made device.avi", "device", "", "cannot read the file's size (not a regular file)"},
    };
    fs::create_directory(Path("victim"));
    std::vector<Case> cases;
    for (const Change& change : changes) {
        const std::string path = "victim/" + change.name;
        fs::copy_file(MediaDirectory() / "xvid_mp3.avi", Path(path));
        fs::resize_file(Path(path), std::uintmax_t{5} << 30);
        Case c = change.refusal.empty()
                     ? Reported("after the open: " + change.action, path,
                                ReportWithSize(change.name, change.megabytes))
                     : Refused("after the open: " + change.action, path, change.refusal);
        c.afterOpen = change.action;
        cases.push_back(c);
    }
    RunAll(cases, {"victim"});
}

} // namespace
} // namespace zarvo::hostile
