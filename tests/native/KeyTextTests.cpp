#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

#include "FuzzSeeds.h"
#include "core/KeyMap.h"
#include "core/KeyText.h"

namespace {

struct TKeyCase {
    std::string Text;
    std::optional<int> Key; // nothing: the default applies
};

void PrintTo(const TKeyCase& c, std::ostream* out) { *out << "[" << c.Text << "]"; }

class KeyTexts : public ::testing::TestWithParam<TKeyCase> {};

TEST_P(KeyTexts, ReadAsOneKey) {
    const TKeyCase& c = GetParam();
    SaveFuzzSeed("fuzz_key_text", c.Text);
    const auto got = ParseKeyText(c.Text);
    EXPECT_EQ(got ? std::optional<int>(*got) : std::nullopt, c.Key) << "value text [" << c.Text << "]";
}

constexpr int Ctrl = KeyCtrl, Shift = KeyShift, Alt = KeyAlt;

INSTANTIATE_TEST_SUITE_P(
    Table, KeyTexts,
    ::testing::Values(
        // Numbers keep their meaning: the low 8 bits of the value parser's number.
        TKeyCase{"117", 117}, TKeyCase{"0x75", 0x75}, TKeyCase{"$75", 0x75}, TKeyCase{"x75", 0x75},
        TKeyCase{"X75", 0x75}, TKeyCase{"-1", 255}, TKeyCase{"372", 116}, TKeyCase{"256", 0}, TKeyCase{" 118", 118},
        TKeyCase{"0", 0}, TKeyCase{"5", 5}, TKeyCase{"-$10", 0xF0},
        // Names, in any case, blanks around them.
        TKeyCase{"F1", 0x70}, TKeyCase{"f6", 0x75}, TKeyCase{"F24", 0x87}, TKeyCase{"a", 'A'}, TKeyCase{"Z", 'Z'},
        TKeyCase{"X", 'X'}, TKeyCase{" Home\t", 0x24}, TKeyCase{"end", 0x23}, TKeyCase{"PgUp", 0x21},
        TKeyCase{"PAGEUP", 0x21}, TKeyCase{"pgdn", 0x22}, TKeyCase{"PageDown", 0x22}, TKeyCase{"Insert", 0x2D},
        TKeyCase{"Delete", 0x2E}, TKeyCase{"Left", 0x25}, TKeyCase{"Up", 0x26}, TKeyCase{"Right", 0x27},
        TKeyCase{"Down", 0x28}, TKeyCase{"Space", 0x20}, TKeyCase{"Enter", 0x0D}, TKeyCase{"Tab", 0x09},
        TKeyCase{"Esc", 0x1B}, TKeyCase{"Backspace", 0x08}, TKeyCase{"Pause", 0x13}, TKeyCase{"Num0", 0x60},
        TKeyCase{"num9", 0x69}, TKeyCase{"Num+", 0x6B}, TKeyCase{"Num-", 0x6D}, TKeyCase{"Num*", 0x6A},
        TKeyCase{"Num/", 0x6F}, TKeyCase{"Num.", 0x6E}, TKeyCase{"MediaPlayPause", 0xB3},
        TKeyCase{"medianext", 0xB0}, TKeyCase{"MediaPrev", 0xB1}, TKeyCase{"MediaStop", 0xB2},
        TKeyCase{"VolumeUp", 0xAF}, TKeyCase{"VolumeDown", 0xAE}, TKeyCase{"VolumeMute", 0xAD},
        // Combinations: any order and case, blanks around "+", a name or a number.
        TKeyCase{"Ctrl+F8", Ctrl | 0x77}, TKeyCase{"Ctrl+Shift+F8", Ctrl | Shift | 0x77},
        TKeyCase{"shift+CTRL+f8", Ctrl | Shift | 0x77}, TKeyCase{"alt + PgDn", Alt | 0x22},
        TKeyCase{" Alt+Shift+Ctrl +Num+ ", Ctrl | Shift | Alt | 0x6B}, TKeyCase{"Ctrl+0x75", Ctrl | 0x75},
        TKeyCase{"Ctrl + 117", Ctrl | 117}, TKeyCase{"Shift+372", Shift | 116}, TKeyCase{"Ctrl+x75", Ctrl | 0x75},
        TKeyCase{"Ctrl+5", Ctrl | '5'}, TKeyCase{"Alt+0", Alt | '0'}, TKeyCase{"Ctrl+X", Ctrl | 'X'},
        TKeyCase{"Ctrl+$100", 0},
        // The default applies.
        TKeyCase{"Ctrl+Banana", std::nullopt}, TKeyCase{"F7;", std::nullopt}, TKeyCase{"F25", std::nullopt},
        TKeyCase{"F0", std::nullopt}, TKeyCase{"F01", std::nullopt}, TKeyCase{"Ctrl+", std::nullopt},
        TKeyCase{"Ctrl", std::nullopt}, TKeyCase{"+F8", std::nullopt}, TKeyCase{"Ctrl+Ctrl+F8", std::nullopt},
        TKeyCase{"Ctrl F8", std::nullopt}, TKeyCase{"Ctrl++F8", std::nullopt}, TKeyCase{"Control+F8", std::nullopt},
        TKeyCase{"F 8", std::nullopt}, TKeyCase{"Num 5", std::nullopt}, TKeyCase{"Num10", std::nullopt},
        TKeyCase{"117 ", std::nullopt}, TKeyCase{"117;F6", std::nullopt}, TKeyCase{"", std::nullopt},
        TKeyCase{"   ", std::nullopt}, TKeyCase{"Ctrl+F8x", std::nullopt}, TKeyCase{"MediaPlayPauseX", std::nullopt},
        TKeyCase{std::string("F8\0", 3), std::nullopt}));

// On, previous, next, pause, shuffle, exit, then the optional actions.
struct TMapCase {
    const char* Name;
    std::array<std::uint16_t, TKeyMap::MaxActions> Keys;
    int Pressed;
    int Action;
};

TEST(KeyMap, CombinationsActOnlyWithExactlyTheirModifiersAndBeatTheBareKey) {
    const TMapCase table[] = {
        {"bare key, nothing held", {0x74}, 0x74, 0},
        {"bare key, modifiers held", {0x74}, Ctrl | Alt | 0x74, 0},
        {"combination, exactly its modifiers", {Ctrl | 0x74}, Ctrl | 0x74, 0},
        {"combination, nothing held", {Ctrl | 0x74}, 0x74, -1},
        {"combination, more held", {Ctrl | 0x74}, Ctrl | Shift | 0x74, -1},
        {"combination, others held", {Ctrl | Shift | 0x74}, Ctrl | 0x74, -1},
        {"combination beats the bare key", {0x74, Ctrl | 0x74}, Ctrl | 0x74, 1},
        {"bare key where no combination matches", {0x74, Ctrl | 0x74}, Shift | 0x74, 0},
        {"first of equal keys", {0, Alt | 0x74, Alt | 0x74}, Alt | 0x74, 1},
        {"code 0 is no key", {0, Ctrl}, Ctrl, -1},
        {"other code", {0x74, Ctrl | 0x75}, Ctrl | 0x76, -1},
    };
    for (const TMapCase& row : table) {
        const TKeyMap map(row.Keys);
        EXPECT_EQ(map.Find(static_cast<std::uint16_t>(row.Pressed)), row.Action) << row.Name;
        const std::uint16_t code = row.Pressed & 0xFF;
        if (row.Action >= 0) EXPECT_TRUE(map.Bound(code)) << row.Name;
    }
    const TKeyMap map({0x74, Ctrl | 0x75, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x1FF});
    EXPECT_TRUE(map.Bound(0x74));
    EXPECT_FALSE(map.Combined(0x74));
    EXPECT_TRUE(map.Bound(0x75));
    EXPECT_TRUE(map.Combined(0x75));
    EXPECT_FALSE(map.Bound(0));
    EXPECT_FALSE(map.Bound(0x76));
    EXPECT_FALSE(map.Bound(0x174));
    EXPECT_TRUE(map.Combined(0xFF));
}

} // namespace
