// hostile_builder_run: builds one report with the real detector into a recording view and prints
// the outcome, so that a test can watch the report builder in a process of its own.
//
//   hostile_builder_run [--after-open=ACTION] [--] PATH
//
// ACTION changes the file right after the detector opened it, before the report is written:
// delete, truncate=BYTES, directory, fifo or device (a link to /dev/zero in its place).
#include "platform/MediaDet.h"
#include "report/ReportBuilder.h"
#include "support/RecordingView.h"

#include <clocale>
#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvo {
namespace {

// The real detector with a change to the file between its open and the rest of the report.
class ChangingMediaDet final : public RefCounted<IMediaDet> {
public:
    ChangingMediaDet(IMediaDet& detector, std::function<void(const std::string&)> change)
        : detector_(detector), change_(std::move(change)) {
        detector_.AddRef();
    }
    ~ChangingMediaDet() override { detector_.Release(); }

    HRESULT put_Filename(std::string_view path) override {
        const HRESULT status = detector_.put_Filename(path);
        if (status == S_OK)
            change_(std::string(path));
        return status;
    }
    HRESULT get_OutputStreams(std::int32_t* count) override {
        return detector_.get_OutputStreams(count);
    }
    HRESULT put_CurrentStream(std::int32_t index) override {
        return detector_.put_CurrentStream(index);
    }
    HRESULT get_StreamLength(double* seconds) override {
        return detector_.get_StreamLength(seconds);
    }
    HRESULT get_StreamMediaType(AM_MEDIA_TYPE* type) override {
        return detector_.get_StreamMediaType(type);
    }
    HRESULT get_FrameRate(double* rate) override { return detector_.get_FrameRate(rate); }
    HRESULT get_FrameCount(std::int64_t* frames) override {
        return detector_.get_FrameCount(frames);
    }

private:
    IMediaDet& detector_;
    std::function<void(const std::string&)> change_;
};

void Check(bool done, const char* what) {
    if (!done) {
        std::perror(what);
        std::exit(3);
    }
}

std::function<void(const std::string&)> Change(const std::string& action) {
    if (action == "delete")
        return [](const std::string& path) { Check(::unlink(path.c_str()) == 0, "unlink"); };
    if (action.starts_with("truncate=")) {
        const off_t size = std::stoll(action.substr(9));
        return [size](const std::string& path) {
            Check(::truncate(path.c_str(), size) == 0, "truncate");
        };
    }
    if (action == "directory")
        return [](const std::string& path) {
            Check(::unlink(path.c_str()) == 0 && ::mkdir(path.c_str(), 0755) == 0, "mkdir");
        };
    if (action == "fifo")
        return [](const std::string& path) {
            Check(::unlink(path.c_str()) == 0 && ::mkfifo(path.c_str(), 0644) == 0, "mkfifo");
        };
    if (action == "device")
        return [](const std::string& path) {
            Check(::unlink(path.c_str()) == 0 && ::symlink("/dev/zero", path.c_str()) == 0,
                  "symlink");
        };
    std::fprintf(stderr, "unknown action '%s'\n", action.c_str());
    std::exit(2);
}

// One field per line: "\" and line breaks are escaped so that any text survives.
void Field(const char* name, std::string_view value) {
    std::string text;
    for (const char c : value) {
        if (c == '\\')
            text += "\\\\";
        else if (c == '\n')
            text += "\\n";
        else
            text += c;
    }
    std::printf("%s=%s\n", name, text.c_str());
}

const char* ResultName(zarvo::ReportResult result) {
    switch (result) {
    case zarvo::ReportResult::Reported:
        return "Reported";
    case zarvo::ReportResult::NoDetector:
        return "NoDetector";
    case zarvo::ReportResult::NotOpened:
        return "NotOpened";
    case zarvo::ReportResult::NoStreams:
        return "NoStreams";
    }
    return "?";
}

// The program, in the namespace of everything it uses.
int Run(int argc, char** argv) {
    std::string action, path;
    bool havePath = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!havePath && argument.starts_with("--after-open=")) {
            action = argument.substr(13);
        } else if (!havePath && argument == "--") {
            path = i + 1 < argc ? argv[i + 1] : "";
            havePath = i + 1 < argc;
            break;
        } else {
            path = argument;
            havePath = true;
        }
    }
    if (!havePath) {
        std::fprintf(stderr, "usage: hostile_builder_run [--after-open=ACTION] [--] PATH\n");
        return 2;
    }

    std::setlocale(LC_NUMERIC, "");
    const zarvo::FormatSettings settings = zarvo::LocaleFormatSettings();
    const ClassRegistration real = RegisterMediaDet();
    ComPtr<IMediaDet> inner;
    ClassRegistration changing;
    if (!action.empty()) {
        Check(CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC, IID_IMediaDet,
                               inner.PutVoid()) == S_OK,
              "create");
        IMediaDet* detector = inner.Get();
        changing = RegisterClassFactory(
            CLSID_MediaDet, [detector, change = Change(action)](const GUID& iid, void** object) {
                auto* changingDetector = new ChangingMediaDet(*detector, change);
                const HRESULT status = changingDetector->QueryInterface(iid, object);
                changingDetector->Release();
                return status;
            });
    }

    zarvo::test::RecordingView view;
    try {
        const zarvo::ReportOutcome outcome = zarvo::GetFileData(path, view, settings);
        Field("result", ResultName(outcome.result));
        Field("status", DescribeStatus(outcome.status));
    } catch (const std::exception& error) {
        Field("result", "Raised");
        Field("status", error.what());
    }
    Field("title", view.title);
    Field("caption", view.caption);
    for (const std::string& message : view.messages)
        Field("message", message);
    for (const std::string& line : view.lines)
        Field("line", line);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace
} // namespace zarvo

int main(int argc, char** argv) {
    zarvo::SilenceMediaLibraryLog();
    return zarvo::Run(argc, argv);
}
