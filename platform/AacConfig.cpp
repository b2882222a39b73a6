// Reads an AudioSpecificConfig as far as its channel configuration.
#include "platform/AacConfig.h"

#include "platform/BitReader.h"

namespace zarvo {

int AacChannelConfiguration(const std::uint8_t* config, int size) {
    if (config == nullptr || size < 2)
        return -1;
    BitReader bits({config, static_cast<std::size_t>(size)});
    if (bits.Bits(5) == 31) // audio object type escape
        bits.Bits(6);
    if (bits.Bits(4) == 15) // sampling frequency index escape: the rate follows in full
        bits.Bits(24);
    const auto channels = static_cast<int>(bits.Bits(4));
    return bits.Ok() ? channels : -1;
}

} // namespace zarvo
