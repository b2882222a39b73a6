// Fuzz target for the AAC config reader: arbitrary bytes as an AudioSpecificConfig, held at their
// exact size so that a read past them is caught, and the channel configuration checked against
// the config's bits taken out by hand.
#include "fuzz/CodecHeaders.h"
#include "fuzz/FuzzTarget.h"
#include "platform/AacConfig.h"

#include <optional>
#include <vector>

namespace zarvo::fuzz {
namespace {

// The `count` bits from bit `first` on, most significant first; nothing past the end.
std::optional<std::uint32_t> BitsAt(const std::vector<std::uint8_t>& bytes, std::size_t first,
                                    std::size_t count) {
    if (first + count > bytes.size() * 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t bit = first; bit < first + count; ++bit)
        value = value << 1 | (std::uint32_t{bytes[bit / 8]} >> (7 - bit % 8) & 1u);
    return value;
}

// The channel configuration by the config's layout: object type (5 bits, 6 more after the
// escape 31), rate index (4 bits, 24 more after the escape 15), then 4 bits of channels.
int ExpectedChannels(const std::vector<std::uint8_t>& config) {
    if (config.size() < 2)
        return -1;
    const std::size_t rateAt = *BitsAt(config, 0, 5) == 31 ? 11 : 5;
    const std::optional<std::uint32_t> rate = BitsAt(config, rateAt, 4);
    if (!rate)
        return -1;
    const std::size_t channelsAt = rateAt + (*rate == 15 ? 28 : 4);
    const std::optional<std::uint32_t> channels = BitsAt(config, channelsAt, 4);
    return channels ? static_cast<int>(*channels) : -1;
}

} // namespace

std::vector<std::string> SeedsFromClip(const std::filesystem::path& clip) {
    return CodecHeadersOf(clip, AV_CODEC_ID_AAC);
}

} // namespace zarvo::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zarvo;
    using namespace zarvo::fuzz;
    const std::vector<std::uint8_t> config(data, data + size);
    const int channels = AacChannelConfiguration(config.data(), static_cast<int>(config.size()));
    Require(channels == ExpectedChannels(config), "the channel configuration the config holds");
    return 0;
}
