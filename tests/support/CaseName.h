// Names for the cases of parameterised tests: a case that carries a name (or stands for one
// fixture file) is listed, named and printed by it, never as the raw bytes of its struct, which
// hold pointers and so would differ from build to build.
#pragma once

#include <concepts>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <string_view>

namespace zarvo::test {

template <typename Case>
concept HasCaseName = requires(const Case& tested) {
    { tested.name } -> std::convertible_to<std::string_view>;
};

template <typename Case>
concept HasCaseFile = requires(const Case& tested) {
    { tested.file } -> std::convertible_to<std::string_view>;
};

template <typename Case>
concept NamedCase = HasCaseName<Case> || HasCaseFile<Case>;

// The case's own name, else the fixture file it stands for.
template <NamedCase Case> std::string_view NameOf(const Case& tested) {
    if constexpr (HasCaseName<Case>)
        return tested.name;
    else
        return tested.file;
}

// GoogleTest finds this through argument-dependent lookup, so a test file whose cases live in
// an unnamed namespace brings it there with `using test::PrintTo;`.
template <NamedCase Case> void PrintTo(const Case& tested, std::ostream* out) {
    *out << NameOf(tested);
}

// The name generator of INSTANTIATE_TEST_SUITE_P: GoogleTest takes only letters, digits and
// underscores, so "pcm.wav" becomes "pcm_wav".
struct CaseName {
    template <NamedCase Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& tested) const {
        std::string name(NameOf(tested.param));
        for (char& c : name)
            if (!(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9'))
                c = '_';
        return name;
    }
};

} // namespace zarvo::test
