// The bytes of the messages between a front end and its readers: numbers in a fixed order and
// size, texts as a length and their bytes, and reading that checks every length against what is
// left and against a bound, since the other side may be a reader taken over by a hostile file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarvo {

class WireWriter {
public:
    void U8(std::uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
    void Bool(bool value) { U8(value ? 1 : 0); }
    void U32(std::uint32_t value) { Fixed(value); }
    void U64(std::uint64_t value) { Fixed(value); }
    void I64(std::int64_t value) { Fixed(static_cast<std::uint64_t>(value)); }
    void F32(float value);
    void F64(double value);
    void Text(std::string_view text);

    std::string Take() && { return std::move(bytes_); }

private:
    template <typename T> void Fixed(T value) {
        for (std::size_t i = 0; i < sizeof(T); ++i)
            bytes_.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }

    std::string bytes_;
};

// Reads what a WireWriter wrote. The first fault (too few bytes, a length over its bound, a
// value out of its range) sets Failed(), and every read after it returns zeros and empty texts,
// so a decoder reads on and checks once at the end.
class WireReader {
public:
    explicit WireReader(std::string_view bytes) : rest_(bytes) {}

    std::uint8_t U8();
    bool Bool();
    std::uint32_t U32();
    std::uint64_t U64();
    std::int64_t I64() { return static_cast<std::int64_t>(U64()); }
    float F32();
    double F64();
    std::string Text(std::size_t maxBytes);
    // A count of things still to read, each at least `minBytes` long, of at most `max`.
    std::uint32_t Count(std::uint32_t max, std::size_t minBytes);
    // A number that must lie in [0, count): an enumeration's value, say.
    std::uint8_t Below(std::uint8_t count);

    void Fail() noexcept { failed_ = true; }
    bool Failed() const noexcept { return failed_; }
    // True when everything was read and nothing is left over.
    bool Done() const noexcept { return !failed_ && rest_.empty(); }

private:
    bool Take(std::size_t count, std::string_view& out);
    template <typename T> T Fixed();

    std::string_view rest_;
    bool failed_ = false;
};

} // namespace zarvo
