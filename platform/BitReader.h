// Reads the bits of a codec header most significant first, as H.264 and AAC headers store them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zarvo {

// Reading past the end fails the reader rather than the program: every later read gives 0 and
// Ok() stays false.
class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool Ok() const { return ok_; }
    std::size_t Position() const { return position_; }

    std::uint32_t Bits(int count) {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            if (position_ >= bytes_.size() * 8) {
                ok_ = false;
                return 0;
            }
            const std::uint8_t byte = bytes_[position_ / 8];
            value = value << 1 | ((byte >> (7 - position_ % 8)) & 1u);
            ++position_;
        }
        return value;
    }

    // Unsigned Exp-Golomb code: leading zeros, a one, then as many bits again.
    std::uint32_t Golomb() {
        int zeros = 0;
        while (ok_ && Bits(1) == 0)
            if (++zeros > 31) {
                ok_ = false;
                return 0;
            }
        return ok_ ? (std::uint32_t{1} << zeros) - 1 + Bits(zeros) : 0;
    }

    // Signed Exp-Golomb code: 1, -1, 2, -2, … in the order of the unsigned codes after 0.
    std::int32_t SignedGolomb() {
        const std::uint32_t code = Golomb();
        const auto magnitude = static_cast<std::int32_t>((code + 1) / 2);
        return code % 2 == 1 ? magnitude : -magnitude;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

} // namespace zarvo
