// Turns a stream's media type record into the fields of its TMediaStream.
#pragma once

#include "platform/DirectShow.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zarvo {

// Fills *CurrentStream from `mediaType` and the stream's length in seconds. The record is read
// in place and stays the caller's; its interface reference is held for the length of the call.
// `frames` is the stream's count of frames where the detector tells it; a video stream's frames
// are otherwise its frame rate times `length`.
void GetMediaTypeDescriptionX(AM_MEDIA_TYPE mediaType, double length,
                              std::optional<std::int64_t> frames = std::nullopt);

// The codec's name, or "Unknown (<code>)" for a code without one.
std::string VideoCodecName(std::uint32_t code);
std::string AudioFormatName(std::uint16_t tag);

} // namespace zarvo
