#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/ValueParser.h"

namespace {

struct TValueCase {
    std::string Text;
    std::optional<std::int32_t> Value; // nothing: the default applies
};

void PrintTo(const TValueCase& c, std::ostream* out) { *out << "[" << c.Text << "]"; }

class ValueForms : public ::testing::TestWithParam<TValueCase> {};

TEST_P(ValueForms, ParsesTheWholeText) {
    const TValueCase& c = GetParam();
    EXPECT_EQ(ParseIntegerValue(c.Text), c.Value) << "value text [" << c.Text << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Table, ValueForms,
    ::testing::Values(
        TValueCase{"117", 117}, TValueCase{"+117", 117}, TValueCase{"0x75", 117}, TValueCase{"0X75", 117},
        TValueCase{"$75", 117}, TValueCase{"x75", 117}, TValueCase{"X75", 117}, TValueCase{"372", 372},
        TValueCase{"-1", -1}, TValueCase{" 118", 118}, TValueCase{"   0x76", 118}, TValueCase{"$76", 118},
        TValueCase{"00117", 117}, TValueCase{"$0000000075", 117}, TValueCase{"-$10", -16},
        TValueCase{"$FFFFFFFF", -1}, TValueCase{"$ffffffff", -1}, TValueCase{"-$FFFFFFFF", 1},
        TValueCase{"$80000000", INT32_MIN}, TValueCase{"-0x80000000", INT32_MIN},
        TValueCase{"2147483647", INT32_MAX}, TValueCase{"-2147483648", INT32_MIN}, TValueCase{"0", 0},
        // The default applies.
        TValueCase{"F6", std::nullopt}, TValueCase{"117;F6", std::nullopt}, TValueCase{"118 ; F7", std::nullopt},
        TValueCase{"0x", std::nullopt}, TValueCase{"$", std::nullopt}, TValueCase{"x", std::nullopt},
        TValueCase{"2147483648", std::nullopt}, TValueCase{"-2147483649", std::nullopt},
        TValueCase{"99999999999999999999", std::nullopt}, TValueCase{"\t117", std::nullopt},
        TValueCase{"117 ", std::nullopt}, TValueCase{"+ 117", std::nullopt}, TValueCase{"+-1", std::nullopt},
        TValueCase{"--1", std::nullopt}, TValueCase{"", std::nullopt}, TValueCase{"   ", std::nullopt},
        TValueCase{"$123456789", std::nullopt}, TValueCase{"0x1G", std::nullopt}, TValueCase{"$-1", std::nullopt},
        TValueCase{"00x75", std::nullopt}, TValueCase{"0$75", std::nullopt},
        TValueCase{std::string("1\0", 2), std::nullopt}));

} // namespace
