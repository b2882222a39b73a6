// The channel configuration an AAC stream's AudioSpecificConfig states.
#pragma once

#include <cstdint>

namespace zarvo {

// 0 means the channels are told only by a program element inside the audio; -1 when the config
// cannot be read.
int AacChannelConfiguration(const std::uint8_t* config, int size);

} // namespace zarvo
