// Names in messages and on a terminal: what is escaped, and that nothing else is.
#include "cli/PrintableName.h"

#include "cli/Utf8.h"

#include <gtest/gtest.h>
#include <string>

namespace zarvo {
namespace {

struct NameCase {
    const char* name;
    std::string raw;
    std::string shown;
};

const NameCase kNames[] = {
    {"plain", "clip.avi", "clip.avi"},
    {"C0 and DEL", "a\nb\x1b[31m\x7f", "a\\x0Ab\\x1B[31m\\x7F"},
    {"raw CSI byte",
     "a\x9b"
     "31mb",
     "a\\x9B31mb"},
    {"raw 0x80 and 0x9F", "\x80\x9f", "\\x80\\x9F"},
    {"CSI as UTF-8",
     "a\xc2\x9b"
     "31m",
     "a\\xC2\\x9B31m"},
    {"NEL as UTF-8", "\xc2\x85", "\\xC2\\x85"},
    {"first printable after C1", "\xc2\xa0\xc2\xa9", "\xc2\xa0\xc2\xa9"},
    {"continuation bytes of letters", "\xc4\x80\xc4\x9f\xe2\x82\xac",
     "\xc4\x80\xc4\x9f\xe2\x82\xac"},
    {"right-to-left override",
     "gpj.\xe2\x80\xae"
     "exe",
     "gpj.\\xE2\\x80\\xAEexe"},
    {"embeddings and isolates", "\xe2\x80\xaa\xe2\x81\xa6\xe2\x81\xa9",
     "\\xE2\\x80\\xAA\\xE2\\x81\\xA6\\xE2\\x81\\xA9"},
    {"neighbours of the bidi ranges", "\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa",
     "\xe2\x80\xa9\xe2\x80\xaf\xe2\x81\xa5\xe2\x81\xaa"},
    {"Latin-1 letter outside UTF-8", "caf\xe9", "caf\xe9"},
    {"overlong CSI is no character", "\xc1\x9b", "\xc1\\x9B"},
    {"cut character before C1 byte", "\xe2\x80", "\xe2\\x80"},
};

TEST(PrintableNameTest, EscapesWhatATerminalActsOnAndKeepsTheRest) {
    for (const NameCase& c : kNames)
        EXPECT_EQ(PrintableName(c.raw), c.shown) << c.name;
}

TEST(Utf8Test, TellsWellFormedTextFromTheRest) {
    const std::pair<std::string, bool> texts[] = {
        {"", true},
        {"ascii", true},
        {"\xc3\xa9t\xc3\xa9", true},
        {"\xf0\x9f\x8e\xac", true},      // U+1F3AC
        {"\xf4\x8f\xbf\xbf", true},      // U+10FFFF, the last
        {"\xf4\x90\x80\x80", false},     // past U+10FFFF
        {"\xed\xa0\x80", false},         // a surrogate
        {"\xc0\xaf", false},             // an overlong slash
        {"\xe0\x80\xaf", false},         // overlong in three bytes
        {"\xf0\x8f\xbf\xbf", false},     // overlong in four bytes
        {"\xe9", false},                 // a Latin-1 byte
        {"\xe2\x82", false},             // cut short
        {"\x80", false},                 // a lone continuation byte
        {"\xf8\x88\x80\x80\x80", false}, // five bytes
    };
    for (const auto& [text, valid] : texts)
        EXPECT_EQ(IsValidUtf8(text), valid) << PrintableName(text);
}

} // namespace
} // namespace zarvo
