// Writes H.264 NAL units bit by bit, for tests that make their own parameter sets and slices.
#pragma once

#include <cstdint>
#include <vector>

namespace zarvo::test {

// Writes a NAL unit's payload and adds the emulation prevention bytes a muxer would.
class NalWriter {
public:
    void Bits(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            current_ =
                static_cast<std::uint8_t>(std::uint32_t{current_} << 1 | ((value >> i) & 1u));
            if (++used_ == 8) {
                bits_.push_back(current_);
                current_ = 0;
                used_ = 0;
            }
        }
    }
    void Golomb(std::uint32_t value) {
        int length = 0;
        while ((std::uint64_t{value} + 1) >> (length + 1)) // 64 bits: codes up to 2^32 - 2
            ++length;
        Bits(0, length);
        Bits(value + 1, length + 1);
    }
    void SignedGolomb(std::int32_t value) {
        const auto magnitude = static_cast<std::uint32_t>(value < 0 ? -std::int64_t{value} : value);
        Golomb(value > 0 ? 2 * magnitude - 1 : 2 * magnitude);
    }
    // The NAL header byte, then the payload closed by the stop bit, escaped.
    std::vector<std::uint8_t> Nal(std::uint8_t header) {
        Bits(1, 1);
        while (used_ != 0)
            Bits(0, 1);
        std::vector<std::uint8_t> nal{header};
        int zeros = 0;
        for (const std::uint8_t byte : bits_) {
            if (zeros == 2 && byte <= 3) {
                nal.push_back(3);
                zeros = 0;
            }
            nal.push_back(byte);
            zeros = byte == 0 ? zeros + 1 : 0;
        }
        return nal;
    }

private:
    std::vector<std::uint8_t> bits_;
    std::uint8_t current_ = 0;
    int used_ = 0;
};

} // namespace zarvo::test
