// Writing and checked reading of message bytes.
#include "reader/Wire.h"

#include <bit>

namespace zarvo {

void WireWriter::F32(float value) {
    U32(std::bit_cast<std::uint32_t>(value));
}

void WireWriter::F64(double value) {
    U64(std::bit_cast<std::uint64_t>(value));
}

void WireWriter::Text(std::string_view text) {
    U32(static_cast<std::uint32_t>(text.size()));
    bytes_.append(text);
}

bool WireReader::Take(std::size_t count, std::string_view& out) {
    if (failed_ || count > rest_.size()) {
        failed_ = true;
        return false;
    }
    out = rest_.substr(0, count);
    rest_.remove_prefix(count);
    return true;
}

template <typename T> T WireReader::Fixed() {
    std::string_view bytes;
    if (!Take(sizeof(T), bytes))
        return 0;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        value |= std::uint64_t{static_cast<unsigned char>(bytes[i])} << (8 * i);
    return static_cast<T>(value);
}

std::uint8_t WireReader::U8() {
    return Fixed<std::uint8_t>();
}

bool WireReader::Bool() {
    return Below(2) == 1;
}

std::uint32_t WireReader::U32() {
    return Fixed<std::uint32_t>();
}

std::uint64_t WireReader::U64() {
    return Fixed<std::uint64_t>();
}

float WireReader::F32() {
    return std::bit_cast<float>(U32());
}

double WireReader::F64() {
    return std::bit_cast<double>(U64());
}

std::string WireReader::Text(std::size_t maxBytes) {
    const std::uint32_t size = U32();
    std::string_view bytes;
    if (size > maxBytes) {
        failed_ = true;
        return {};
    }
    if (!Take(size, bytes))
        return {};
    return std::string(bytes);
}

std::uint32_t WireReader::Count(std::uint32_t max, std::size_t minBytes) {
    const std::uint32_t count = U32();
    // A count the bytes left cannot hold is a lie: it is refused before anything is reserved.
    if (count > max || (minBytes != 0 && count > rest_.size() / minBytes)) {
        failed_ = true;
        return 0;
    }
    return count;
}

std::uint8_t WireReader::Below(std::uint8_t count) {
    const std::uint8_t value = U8();
    if (value >= count) {
        failed_ = true;
        return 0;
    }
    return value;
}

} // namespace zarvo
