// Dropped addresses and the text of error messages.
#include "app/FilePath.h"

#include "app/ErrorText.h"

#include <QUrl>
#include <gtest/gtest.h>

namespace zarvo {
namespace {

TEST(FilePathTest, LocalFilePathOfDroppedAddresses) {
    struct Case {
        const char* url;
        std::optional<std::string> path;
    };
    const Case cases[] = {
        {"file:///home/ann/movie.avi", "/home/ann/movie.avi"},
        {"file:///home/ann/my%20movie.avi", "/home/ann/my movie.avi"},
        {"file:///home/ann/%C3%A9t%C3%A9.avi", "/home/ann/\xC3\xA9t\xC3\xA9.avi"},
        {"file:///home/ann/%FF%FE.avi", "/home/ann/\xFF\xFE.avi"},
        {"file:///home/ann/100%25.avi", "/home/ann/100%.avi"},
        {"file:///home/ann/a%23b%3Fc.avi", "/home/ann/a#b?c.avi"},
        {"file://localhost/home/ann/movie.avi", "/home/ann/movie.avi"},
        {"file://server.example.org/movie.avi", std::nullopt},
        {"https://example.org/movie.avi", std::nullopt},
        {"smb://server/share/movie.avi", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(LocalFilePath(QUrl::fromEncoded(c.url)), c.path);
    }
}

TEST(ErrorTextTest, FullStopAfterACharacterThatSortsAfterIt) {
    const std::pair<const char*, const char*> cases[] = {
        {"Input/output error", "Input/output error."},
        {"Disk full.", "Disk full."},
        {"Stop!", "Stop!"},
        {"See (log)", "See (log)"},
        {"Error 42", "Error 42."},
        {"Why?", "Why?."},
        {"folder/", "folder/."},
        {"Fichier \xC3\xA9", "Fichier \xC3\xA9."},
        {"trailing space ", "trailing space "},
        {"", ""},
    };
    for (const auto& [message, shown] : cases)
        EXPECT_EQ(ErrorMessageText(message), shown) << message;
}

} // namespace
} // namespace zarvo
