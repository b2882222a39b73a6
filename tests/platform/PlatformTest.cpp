// Identifiers, component creation, bounded reads of format blocks, frames in a span and the
// stall limit's setting.
#include "platform/ClassRegistry.h"
#include "platform/DirectShow.h"
#include "platform/FilePath.h"
#include "platform/MediaDet.h"
#include "platform/ProbeLimits.h"
#include "platform/StreamTiming.h"

#include <gtest/gtest.h>

namespace zarvo {
namespace {

struct PathCase {
    const char* path;
    const char* extension;
    const char* directory;
};

TEST(FilePathTest, FolderNameAndExtension) {
    const PathCase cases[] = {
        {"movie.avi", ".avi", ""},
        {"/videos/movie.ogm", ".ogm", "/videos/"},
        {"/videos/movie.OGM", ".OGM", "/videos/"},
        {"/videos.ogm/movie", "", "/videos.ogm/"},
        {"/videos/movie.tar.ogm", ".ogm", "/videos/"},
        {"/videos/movie.", ".", "/videos/"},
        {"/videos/.ogm", ".ogm", "/videos/"},
        {"/", "", "/"},
        {"", "", ""},
        {"C:\\films\\movie.ogm", ".ogm", ""},
        {"a/b\\c.d/e", "", "a/b\\c.d/"},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.path);
        const PathParts parts = SplitPath(c.path);
        EXPECT_EQ(parts.extension, c.extension);
        EXPECT_EQ(parts.folder, c.directory);
        EXPECT_EQ(std::string(parts.folder) + std::string(parts.name), c.path);
    }
}

TEST(GuidTest, RegistryFormAndExactEquality) {
    EXPECT_EQ(GuidToString(MEDIATYPE_Video), "{73646976-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(GuidToString(CLSID_MediaDet), "{65BD0711-24D2-4FF7-9324-ED2E5D3ABAFA}");
    EXPECT_EQ(GuidToString(FORMAT_OggAudio), "{6BDDFA7E-9F22-46A9-AB5E-884EFF294D9F}");
    EXPECT_TRUE(IsEqualGUID(FORMAT_VideoInfo, FORMAT_VideoInfo));
    GUID almost = FORMAT_VideoInfo;
    almost.Data4[7] ^= 1; // only the last byte differs
    EXPECT_FALSE(IsEqualGUID(almost, FORMAT_VideoInfo));
    EXPECT_FALSE(IsEqualGUID(CLSID_MediaDet, IID_IMediaDet));
}

class Thing final : public RefCounted<IUnknown> {};

HRESULT MakeThing(const GUID& iid, void** object) {
    auto* thing = new Thing;
    const HRESULT status = thing->QueryInterface(iid, object);
    thing->Release();
    return status;
}

TEST(ClassRegistryTest, CreatesOnlyWhatIsRegisteredWhileItIs) {
    const GUID clsid{0xABCDEF01, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    ComPtr<IUnknown> object;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC, IID_IUnknown, object.PutVoid()),
              REGDB_E_CLASSNOTREG);
    {
        const ClassRegistration registration = RegisterClassFactory(clsid, &MakeThing);
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC, IID_IUnknown, object.PutVoid()),
                  S_OK);
        EXPECT_TRUE(object);
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC, IID_IMediaDet, object.PutVoid()),
                  E_NOINTERFACE);
        EXPECT_FALSE(object);
        IUnknown* outer = reinterpret_cast<IUnknown*>(&object);
        EXPECT_EQ(CoCreateInstance(clsid, outer, CLSCTX_INPROC, IID_IUnknown, object.PutVoid()),
                  CLASS_E_NOAGGREGATION);
    }
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC, IID_IUnknown, object.PutVoid()),
              REGDB_E_CLASSNOTREG);
}

TEST(ClassRegistryTest, NewestRegistrationWinsAndRevokingItRestoresTheOlder) {
    const GUID clsid{0xABCDEF02, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    int older = 0, newer = 0;
    const ClassRegistration first = RegisterClassFactory(clsid, [&](const GUID& iid, void** o) {
        ++older;
        return MakeThing(iid, o);
    });
    ComPtr<IUnknown> object;
    {
        const ClassRegistration second =
            RegisterClassFactory(clsid, [&](const GUID& iid, void** o) {
                ++newer;
                return MakeThing(iid, o);
            });
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC, IID_IUnknown, object.PutVoid());
    }
    CoCreateInstance(clsid, nullptr, CLSCTX_INPROC, IID_IUnknown, object.PutVoid());
    EXPECT_EQ(newer, 1);
    EXPECT_EQ(older, 1);
}

TEST(FormatBlockReaderTest, ReadsLittleEndianFieldsOnlyInsideTheBlock) {
    const std::uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF};
    const FormatBlockReader reader(bytes, sizeof bytes);
    EXPECT_EQ(reader.Read<std::uint32_t>(0), 0x04030201u);
    EXPECT_EQ(reader.Read<std::uint16_t>(4), 0xFFFFu);
    EXPECT_EQ(reader.Read<std::int16_t>(4), -1);
    EXPECT_EQ(reader.Read<std::uint32_t>(3), std::nullopt);
    EXPECT_EQ(reader.Read<std::uint8_t>(6), std::nullopt);
    EXPECT_EQ(reader.Read<std::uint8_t>(SIZE_MAX), std::nullopt);
    EXPECT_EQ(FormatBlockReader(nullptr, 100).Read<std::uint8_t>(0), std::nullopt);
}

struct SpanCase {
    const char* name;
    TickSpan span;
    std::int64_t rateNum, rateDen;
    std::optional<std::int64_t> frames;
};

TEST(FramesInSpanTest, RoundsUpOnlyWithinTheClocksTick) {
    const SpanCase cases[] = {
        {"a tick of 1/90000 s short", {900899, 1, 90000}, 24000, 1001, 240},
        {"a millisecond short", {9999, 1, 1000}, 60, 1, 600},
        {"two milliseconds short", {9998, 1, 1000}, 60, 1, 599},
        {"half a frame over", {10020, 1, 1000}, 25, 1, 250},
        {"ticks longer than a frame: the nearest", {8, 1, 10}, 24, 1, 19},
        {"no length", {0, 1, 1000}, 25, 1, 0},
        {"no rate", {1000, 1, 1000}, 0, 1, std::nullopt},
    };
    for (const SpanCase& c : cases)
        EXPECT_EQ(FramesInSpan(c.span, c.rateNum, c.rateDen), c.frames) << c.name;
}

// The setting only shortens the limit, never below the shortest, and takes nothing but digits;
// the refusal states the limit in force.
TEST(StallLimitTest, TheSettingOnlyShortensAndTheRefusalStatesTheLimit) {
    const struct {
        const char* value;
        int milliseconds;
        const char* text;
    } cases[] = {
        {nullptr, 10000, "10 s"},      {"", 10000, "10 s"},      {"1000", 1000, "1 s"},
        {"1500", 1500, "1.5 s"},       {"2250", 2250, "2.25 s"}, {"9999", 9999, "9.999 s"},
        {"0750", 750, "0.75 s"},       {"100", 500, "0.5 s"},    {"0", 500, "0.5 s"},
        {"10000", 10000, "10 s"},      {"60000", 10000, "10 s"}, {"999999999", 10000, "10 s"},
        {"9999999999", 10000, "10 s"}, {"-1000", 10000, "10 s"}, {"+1000", 10000, "10 s"},
        {" 1000", 10000, "10 s"},      {"1000 ", 10000, "10 s"}, {"1000ms", 10000, "10 s"},
        {"1e3", 10000, "10 s"},        {"1.5", 10000, "10 s"},
    };
    for (const auto& c : cases) {
        const std::chrono::milliseconds limit = StallLimitSetting(c.value);
        EXPECT_EQ(limit.count(), c.milliseconds) << (c.value ? c.value : "(unset)");
        EXPECT_EQ(StallLimitText(limit), c.text) << (c.value ? c.value : "(unset)");
    }
}

} // namespace
} // namespace zarvo
