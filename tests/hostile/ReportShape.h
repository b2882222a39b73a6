// Checks that report lines have the shape the report builder promises, whatever the file held.
#pragma once

#include <string>
#include <vector>

namespace zarvo::hostile {

struct ShapeRules {
    char decimalSeparator = '.';
    // Numbers a real file cannot produce but a scripted detector can: infinities, NaN, exponent
    // notation and negative durations.
    bool anyNumber = false;
};

struct ShapeCheck {
    std::string error; // empty when the lines have the promised shape
    int streams = 0;   // the number of stream blocks (each begins with an empty line)
};

// Checks the three file lines and every stream block: the header numbered after its block, the
// rule line, and each labelled line with a number of the promised form.
ShapeCheck CheckReportShape(const std::vector<std::string>& lines, const ShapeRules& rules = {});

} // namespace zarvo::hostile
