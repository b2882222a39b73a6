// 128-bit identifiers: exact comparison and registry-form text.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zarvo {

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::array<std::uint8_t, 8> Data4;

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};

inline constexpr GUID GUID_NULL{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// True when all 16 bytes of the two identifiers are equal.
constexpr bool IsEqualGUID(const GUID& a, const GUID& b) noexcept {
    return a == b;
}

// The registry form, {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}, with upper-case digits.
std::string GuidToString(const GUID& guid);

} // namespace zarvo
