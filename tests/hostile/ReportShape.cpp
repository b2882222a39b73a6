// A small hand-written matcher for each kind of report line.
#include "hostile/ReportShape.h"

#include <cctype>
#include <functional>
#include <string_view>

namespace zarvo::hostile {
namespace {

bool Digits(std::string_view text, std::size_t least = 1) {
    if (text.size() < least)
        return false;
    for (const char c : text)
        if (std::isdigit(static_cast<unsigned char>(c)) == 0)
            return false;
    return true;
}

bool Unsigned32(std::string_view text) {
    return Digits(text) && (text.size() < 10 || (text.size() == 10 && text <= "4294967295")) &&
           (text.size() == 1 || text[0] != '0');
}

bool Byte(std::string_view text) {
    return Digits(text) && text.size() <= 3 && std::stoi(std::string(text)) <= 255 &&
           (text.size() == 1 || text[0] != '0');
}

bool NonFinite(std::string_view text) {
    return text == "NAN" || text == "INF" || text == "-INF";
}

// "d" or "d<sep>ddd" ("E" and an exponent after it for 10^15 and more).
bool Exponential(std::string_view text, const ShapeRules& rules) {
    if (!text.empty() && text[0] == '-')
        text.remove_prefix(1);
    const std::size_t e = text.find('E');
    if (e == std::string_view::npos || e == 0)
        return false;
    std::string_view mantissa = text.substr(0, e), exponent = text.substr(e + 1);
    if (!exponent.empty() && exponent[0] == '-')
        exponent.remove_prefix(1);
    if (!Digits(exponent))
        return false;
    if (mantissa.size() == 1)
        return Digits(mantissa);
    return mantissa.size() > 2 && Digits(mantissa.substr(0, 1)) &&
           mantissa[1] == rules.decimalSeparator && Digits(mantissa.substr(2));
}

bool Fixed(std::string_view text, int decimals, const ShapeRules& rules) {
    if (rules.anyNumber && (NonFinite(text) || Exponential(text, rules)))
        return true;
    if (!text.empty() && text[0] == '-')
        text.remove_prefix(1);
    if (decimals == 0)
        return Digits(text);
    const std::size_t point = text.find(rules.decimalSeparator);
    return point != std::string_view::npos && Digits(text.substr(0, point)) &&
           text.size() - point - 1 == static_cast<std::size_t>(decimals) &&
           Digits(text.substr(point + 1));
}

bool SixtyOrLess(std::string_view text) {
    return text.size() == 2 && Digits(text) && text < "60";
}

// "Unknown" or hours (two digits at least), minutes, seconds and two or three fraction digits.
bool Duration(std::string_view text, const ShapeRules& rules) {
    if (text == "Unknown")
        return true;
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t colon; (colon = text.find(':', start)) != std::string_view::npos;
         start = colon + 1)
        parts.push_back(text.substr(start, colon - start));
    parts.push_back(text.substr(start));
    if (parts.size() != 4)
        return false;
    const bool fraction = Digits(parts[3], 2) && parts[3].size() <= 3;
    if (rules.anyNumber) // a negative length gives negative parts
        return fraction && !parts[0].empty() && !parts[1].empty() && !parts[2].empty();
    return Digits(parts[0], 2) && SixtyOrLess(parts[1]) && SixtyOrLess(parts[2]) && fraction;
}

bool Resolution(std::string_view text) {
    if (text.empty())
        return true; // a block too short to name it
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos)
        return false;
    std::string_view width = text.substr(0, x), height = text.substr(x + 1);
    if (!width.empty() && width[0] == '-')
        width.remove_prefix(1);
    if (!height.empty() && height[0] == '-')
        height.remove_prefix(1);
    return Digits(width) && Digits(height);
}

bool Channels(std::string_view text) {
    if (text == "1 (mono)" || text == "2 (stereo)")
        return true;
    return Byte(text) && text != "1" && text != "2";
}

// Matches `line` against `label` followed by a value that `valid` accepts.
template <typename Valid>
bool Labelled(const std::string& line, std::string_view label, std::string_view unit, Valid valid) {
    const std::string_view text = line;
    if (text.size() < label.size() + unit.size() || !text.starts_with(label) ||
        !text.ends_with(unit))
        return false;
    return valid(text.substr(label.size(), text.size() - label.size() - unit.size()));
}

} // namespace

ShapeCheck CheckReportShape(const std::vector<std::string>& lines, const ShapeRules& rules) {
    ShapeCheck check;
    const auto fail = [&](std::size_t index, const std::string& what) {
        check.error = "line " + std::to_string(index + 1) + " (" +
                      (index < lines.size() ? "'" + lines[index] + "'" : "missing") + "): " + what;
        return check;
    };
    const auto any = [](std::string_view) { return true; };
    const auto duration = [&](std::string_view text) { return Duration(text, rules); };
    const auto fixed = [&](int decimals) {
        return [&rules, decimals](std::string_view text) { return Fixed(text, decimals, rules); };
    };

    if (lines.size() < 3)
        return fail(lines.size(), "a report has three file lines");
    if (!Labelled(lines[0], "File:\t\t", "", any))
        return fail(0, "not the file line");
    if (!Labelled(lines[1], "Size:\t\t", " MB", [](std::string_view n) { return Digits(n); }))
        return fail(1, "not the size line");
    if (!Labelled(lines[2], "Duration:\t\t", "", duration))
        return fail(2, "not the duration line");

    std::size_t i = 3;
    while (i < lines.size()) {
        if (!lines[i].empty())
            return fail(i, "a stream block begins with an empty line");
        ++check.streams;
        ++i;
        if (i == lines.size() || lines[i].empty())
            continue; // a stream of a kind without a section
        const std::string header = "Stream " + std::to_string(check.streams) + "  --  ";
        if (!lines[i].starts_with(header))
            return fail(i, "not the header of stream " + std::to_string(check.streams));
        const std::string kind = lines[i].substr(header.size());
        ++i;
        if (kind == "Unknown")
            continue;
        struct Expected {
            std::string_view label, unit;
            std::function<bool(std::string_view)> valid;
        };
        std::vector<Expected> section;
        if (kind == "Video") {
            section = {{"  Resolution: \t", "", Resolution}, {"  Codec: \t\t", "", any},
                       {"  Frames: \t\t", "", Unsigned32},   {"  Frames/sec: \t", "", fixed(3)},
                       {"  Duration: \t", "", duration},     {"  Color depth: \t", " bit", Byte},
                       {"  Ratio: \t\t", "", fixed(2)}};
        } else if (kind == "Audio" || kind == "Ogg audio") {
            section = {{"  Codec: \t\t", "", any},
                       {"  Sample rate: \t", " kHz", fixed(1)},
                       {"  Average bitrate: \t", " kbit/sec", Unsigned32},
                       {"  Duration: \t", "", duration},
                       {"  Channels: \t", "", Channels}};
        } else {
            return fail(i - 1, "a kind that has no section");
        }
        if (i == lines.size() || lines[i] != std::string(27, '='))
            return fail(i, "not the rule line");
        ++i;
        for (const Expected& expected : section) {
            if (i == lines.size() ||
                !Labelled(lines[i], expected.label, expected.unit, expected.valid))
                return fail(i, "expected '" + std::string(expected.label) + "' and its value");
            ++i;
        }
    }
    return check;
}

} // namespace zarvo::hostile
