// The catalogue's cases of things that are not media files, damaged media, huge sparse files
// and awkward names.
#include "hostile/Catalogue.h"

#include <fcntl.h>
#include <random>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace zarvo::hostile {
namespace {

namespace fs = std::filesystem;

const char* const kNoSuchFile = "no such file";
const char* const kNotRegular = "not a regular file";
const char* const kNotMedia = "not a media file that can be read";
const char* const kDamaged = "the media file is damaged or incomplete";
const char* const kLinkLoop = "too many levels of symbolic links";
const char* const kNameTooLong = "file name too long";

std::string RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator() & 0xFF);
    return bytes;
}

// Checks that a report is the clip's known report, under the name it was opened by.
std::function<void(const std::vector<std::string>&)> IsReportOf(const std::string& clip,
                                                                const std::string& path) {
    return [clip, path](const std::vector<std::string>& lines) {
        std::vector<std::string> expected = ExpectedReport(clip);
        expected[0] = "File:\t\t" + fs::path(path).filename().string();
        EXPECT_EQ(lines, expected);
    };
}

TEST_F(Catalogue, WhatIsNotARegularFileIsRefusedWithoutBlocking) {
    fs::copy_file(MediaDirectory() / "xvid_mp3.avi", Path("clip.avi"));
    fs::create_directory(Path("folder.avi"));
    ASSERT_EQ(::mkfifo(Path("pipe.avi").c_str(), 0644), 0); // no writer: opening it could block
    fs::create_symlink("/dev/zero", Path("zero.avi"));
    fs::create_symlink(Path("nowhere.avi"), Path("dangling.avi"));
    fs::create_symlink("loop.avi", Path("loop.avi"));
    fs::create_symlink("clip.avi", Path("link.avi"));

    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = Path("socket.avi").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);

    Case folder = Refused("directory", "folder.avi", kNotRegular);
    folder.builderOnly = true;
    RunAll({
        folder,
        Refused("missing file", "missing.avi", kNoSuchFile),
        Refused("empty path", "", kNoSuchFile),
        Refused("FIFO without a writer", "pipe.avi", kNotRegular),
        Refused("zero device", "/dev/zero", kNotRegular),
        Refused("random device", "/dev/urandom", kNotRegular),
        Refused("link to a device", "zero.avi", kNotRegular),
        Refused("socket", "socket.avi", kNotRegular),
        Refused("dangling link", "dangling.avi", kNoSuchFile),
        Refused("link to itself", "loop.avi", kLinkLoop),
        Refused("a file taken for a directory", "clip.avi/inside.avi", kNoSuchFile),
        Refused("a name longer than 255 bytes", std::string(256, 'n'), kNameTooLong),
        Refused("a path longer than the system's limit", std::string(5000, 'p'), kNameTooLong),
        Refused("missing, with a line break", "missing\nname.avi", kNoSuchFile),
        Refused("missing, with a terminal escape", "missing\x1b[31mred.avi", kNoSuchFile),
        Reported("link to a clip", "link.avi", IsReportOf("xvid_mp3.avi", "link.avi")),
        Reported("a path through a directory and back", "folder.avi/../clip.avi",
                 IsReportOf("xvid_mp3.avi", "clip.avi")),
    });
    ::close(listener);
}

TEST_F(Catalogue, AFileWithoutReadPermissionIsRefused) {
    fs::create_directory(Path("locked"));
    fs::copy_file(MediaDirectory() / "xvid_mp3.avi", Path("locked/secret.avi"));
    fs::permissions(Path("locked/secret.avi"), fs::perms::none);
    // Root reads any file; as root the children give up root for the unprivileged account.
    const std::optional<test::Account> nobody = test::UnprivilegedAccount();
    if (::geteuid() == 0 && !nobody)
        GTEST_SKIP() << "running as root with no 'nobody' account to switch to";
    Case c = Refused("file without read permission", "locked/secret.avi", "permission denied");
    c.unreadable = true;
    if (!RunAll({c}, {}, nobody))
        GTEST_SKIP() << "the account the children run as can read a file without read "
                        "permission (root or a process that may override permissions)";
}

TEST_F(Catalogue, DamagedAndMeaninglessContentIsReportedOrRefusedNeverMore) {
    std::vector<Case> cases = {
        Refused("zero-length file", "empty.avi", kNotMedia),
        Refused("one byte", "one-byte.avi", kNotMedia),
        Refused("text named .avi", "notes.avi", kNotMedia),
        Either("1 KiB of random bytes", "random.avi"),
        // Text and binaries that some demuxer takes at a weak score, which is only a guess.
        Refused("folder settings from Windows", "desktop.ini", kNotMedia),
        Refused("Internet shortcut", "site.url", kNotMedia),
        Refused("desktop entry", "viewer.desktop", kNotMedia),
        Refused("systemd unit", "backup.service", kNotMedia),
        Refused("pip configuration", "pip.conf", kNotMedia),
        Refused("system identification", "os-release", kNotMedia),
        Refused("copy of a shared library", "library.so.0", kNotMedia),
        // Lists that name another file: only the named file is ever opened.
        Refused("concatenation list of a clip", "list.ffconcat", kNotMedia),
        Refused("playlist of a clip", "list.m3u8", kDamaged),
    };
    fs::copy_file(MediaDirectory() / "xvid_mp3.avi", Path("clip.avi"));
    Write("list.ffconcat", "ffconcat version 1.0\nfile clip.avi\n");
    Write("list.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2,\nclip.avi\n#EXT-X-ENDLIST\n");
    Write("empty.avi", "");
    Write("one-byte.avi", "R");
    Write("notes.avi", "Shopping list:\n- milk\n- bread\n");
    Write("random.avi", RandomBytes(1024, 1));
    Write("desktop.ini",
          "[.ShellClassInfo]\r\nIconResource=C:\\Windows\\System32\\imageres.dll,-108\r\n"
          "[ViewState]\r\nMode=\r\nVid=\r\nFolderType=Videos\r\n");
    Write("site.url", "[InternetShortcut]\r\nURL=https://example.org/\r\nIDList=\r\nHotKey=0\r\n");
    Write("viewer.desktop", "[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer %f\n"
                            "Icon=viewer\nMimeType=video/x-msvideo;\n");
    Write("backup.service", "[Unit]\nDescription=Nightly backup\nAfter=network.target\n\n"
                            "[Service]\nExecStart=/usr/bin/true\nRestart=on-failure\n\n"
                            "[Install]\nWantedBy=multi-user.target\n");
    Write("pip.conf", "[global]\nindex-url = https://pypi.org/simple\ntimeout = 60\n");
    Write("os-release",
          "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n"
          "VERSION_ID=\"12\"\nVERSION=\"12 (bookworm)\"\nVERSION_CODENAME=bookworm\n"
          "ID=debian\nHOME_URL=\"https://www.debian.org/\"\n"
          "SUPPORT_URL=\"https://www.debian.org/support\"\n"
          "BUG_REPORT_URL=\"https://bugs.debian.org/\"\n");
    // libbsd's ELF layout reads as two pictureless video streams at a weak score; libc where it
    // is missing.
    const fs::path libraries = "/usr/lib/x86_64-linux-gnu";
    fs::copy_file(fs::exists(libraries / "libbsd.so.0") ? libraries / "libbsd.so.0"
                                                        : libraries / "libc.so.6",
                  Path("library.so.0"));
    unsigned seed = 2;
    for (const std::string& clip : FixtureClips()) {
        const std::string bytes = ReadFile(MediaDirectory() / clip);
        for (const std::size_t percent : {1u, 10u, 50u, 90u}) {
            const std::string name = "cut" + std::to_string(percent) + "-" + clip;
            Write(name, std::string_view(bytes).substr(0, bytes.size() * percent / 100));
            cases.push_back(Either(clip + " cut at " + std::to_string(percent) + " %", name));
        }
        // Garbage where the container keeps its headers: random bytes, then all bits set.
        std::string garbled = bytes, ones = bytes;
        garbled.replace(16, 64, RandomBytes(64, seed++));
        ones.replace(4, 32, std::string(32, '\xFF'));
        Write("garbled-" + clip, garbled);
        Write("ones-" + clip, ones);
        cases.push_back(Either(clip + " with random bytes in its header", "garbled-" + clip));
        cases.push_back(Either(clip + " with set bits in its header", "ones-" + clip));
    }
    RunAll(cases);
}

TEST_F(Catalogue, SparseFilesOfFiveGibibytesAreReportedWithTheirTrueSize) {
    constexpr off_t kFiveGibibytes = off_t{5} << 30;
    std::vector<Case> cases;
    for (const std::string& clip : FixtureClips()) {
        const std::string name = "sparse-" + clip;
        fs::copy_file(MediaDirectory() / clip, Path(name));
        fs::resize_file(Path(name), kFiveGibibytes); // the clip, then a hole
        struct stat status;
        ASSERT_EQ(::stat(Path(name).c_str(), &status), 0);
        if (status.st_blocks * 512 >= kFiveGibibytes)
            GTEST_SKIP() << "the temporary directory's file system has no sparse files";
        cases.push_back(Reported("5 GiB: " + clip + " and a hole", name,
                                 [](const std::vector<std::string>& lines) {
                                     EXPECT_EQ(lines[1], "Size:\t\t5120 MB");
                                 }));
    }
    RunAll(cases);
}

TEST_F(Catalogue, AwkwardNamesAreReadAsPlainLocalFiles) {
    std::vector<std::string> names = {
        "with spaces .avi",
        "a:b.avi",
        "concat:clip.avi|clip.avi", // a protocol's syntax, yet only a name here
        "pipe:0.avi",
        "-x.avi",
        "line\nbreak.avi",
        "tab\there.avi",
        "%s%n%x.avi",
        "invalid \xFF\xFE UTF-8.avi",
        std::string(251, 'n') + ".avi", // the longest name a directory entry takes
    };
    // A path of exactly 4000 bytes through nested directories.
    std::string deep = CasesDirectory().string();
    while (4000 - deep.size() - 1 > 255) {
        deep += "/" + std::string(200, 'd');
        fs::create_directory(deep);
    }
    deep += "/" + std::string(4000 - deep.size() - 1 - 4, 'f') + ".avi";
    EXPECT_EQ(deep.size(), 4000u);
    names.push_back(deep);

    std::vector<Case> cases;
    for (const std::string& name : names) {
        fs::copy_file(MediaDirectory() / "xvid_mp3.avi",
                      fs::path(name).is_absolute() ? fs::path(name) : Path(name));
        cases.push_back(Reported("awkward name", name, IsReportOf("xvid_mp3.avi", name)));
    }
    RunAll(cases);
}

} // namespace
} // namespace zarvo::hostile
