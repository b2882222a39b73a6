// Four-character codes and the two constant tables that name video and audio codecs.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zarvo {

// The 32-bit value of a four-character code: the first character is the lowest byte,
// as a bitmap header stores it in memory.
constexpr std::uint32_t FourCC(char a, char b, char c, char d) noexcept {
    return std::uint32_t{static_cast<unsigned char>(a)} |
           std::uint32_t{static_cast<unsigned char>(b)} << 8 |
           std::uint32_t{static_cast<unsigned char>(c)} << 16 |
           std::uint32_t{static_cast<unsigned char>(d)} << 24;
}

// FourCC("XVID"); a three-letter code ends in a zero byte: FourCC("RGB").
constexpr std::uint32_t FourCC(std::string_view code) noexcept {
    return FourCC(code.size() > 0 ? code[0] : '\0', code.size() > 1 ? code[1] : '\0',
                  code.size() > 2 ? code[2] : '\0', code.size() > 3 ? code[3] : '\0');
}

// The name of the video compression code `code`, compared in all 32 bits.
std::optional<std::string_view> FindVideoCodecName(std::uint32_t code) noexcept;

// The name of the wave format tag `tag`.
std::optional<std::string_view> FindAudioFormatName(std::uint16_t tag) noexcept;

} // namespace zarvo
