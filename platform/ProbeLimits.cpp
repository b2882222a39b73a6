// The stall limit in force, which the tests of stalled storage may shorten.
#include "platform/ProbeLimits.h"

#include <cstdlib>
#include <cstring>

namespace zarvo {

std::chrono::milliseconds StallLimitSetting(const char* value) noexcept {
    constexpr std::chrono::milliseconds shipped = std::chrono::seconds(kStallSeconds);
    // Nine digits stay far inside the count's range; a longer value could not shorten anything.
    if (value == nullptr || *value == '\0' || std::strlen(value) > 9)
        return shipped;
    std::chrono::milliseconds::rep milliseconds = 0;
    for (const char* c = value; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9')
            return shipped;
        milliseconds = milliseconds * 10 + (*c - '0');
    }
    const std::chrono::milliseconds limit(milliseconds);
    if (limit >= shipped)
        return shipped;
    return limit < kShortestStallLimit ? kShortestStallLimit : limit;
}

std::chrono::milliseconds StallLimit() noexcept {
    static const std::chrono::milliseconds limit =
        StallLimitSetting(std::getenv("ZARVO_STALL_LIMIT_MS"));
    return limit;
}

std::string StallLimitText(std::chrono::milliseconds limit) {
    const auto milliseconds = limit.count();
    std::string text = std::to_string(milliseconds / 1000);
    if (const auto fraction = milliseconds % 1000; fraction != 0) {
        std::string digits = std::to_string(1000 + fraction).substr(1);
        digits.erase(digits.find_last_not_of('0') + 1);
        text += '.' + digits;
    }
    return text + " s";
}

} // namespace zarvo
