// The binding to the game's text routine, in a program that has the fixed addresses.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "HostSection.h"
#include "host/HostApi.h"

namespace {

struct TReceived {
    std::u16string Text;
    int Reserved;
};
std::vector<TReceived> Received;

extern "C" void __cdecl RecordText(const wchar_t* text, int reserved) {
    Received.push_back({std::u16string(reinterpret_cast<const char16_t*>(text)), reserved});
}

const unsigned char FirstBuild[4] = {0x8B, 0x44, 0x24, 0x04};
const unsigned char Reversed[4] = {0x04, 0x24, 0x44, 0x8B};

class HostBinding : public ::testing::Test {
protected:
    HostBinding() { Received.clear(); }
    ~HostBinding() override { SetThreadLocale(FOriginalLocale); }
    LCID FOriginalLocale = GetThreadLocale();
};

TEST_F(HostBinding, TheSignatureChoosesTheRoutine) {
    PrepareHostSection(FirstBuild, HostRoutineFirstBuild, &RecordText);
    const THostBinding first;
    EXPECT_EQ(first.Routine(), 0x5051E0u);
    EXPECT_TRUE(first.Available());

    PrepareHostSection(Reversed, HostRoutineOtherBuild, &RecordText);
    const THostBinding other;
    EXPECT_EQ(other.Routine(), 0x5052C0u);
    EXPECT_TRUE(other.Available());
}

TEST_F(HostBinding, ALineArrivesAsUtf16WithZeroAndSecondArgumentZero) {
    InstallHostRoutine(THostBuild::First, &RecordText);
    const THostBinding host;
    host.ShowLine("Paused>");
    host.ShowLine("");
    ASSERT_EQ(Received.size(), 2u);
    EXPECT_EQ(Received[0].Text, u"Paused>");
    EXPECT_EQ(Received[0].Reserved, 0);
    EXPECT_EQ(Received[1].Text, u"") << "an empty line is a pointer to a single zero";
    EXPECT_EQ(Received[1].Reserved, 0);
}

TEST_F(HostBinding, TheThreadCodePageDecodesHighBytes) {
    InstallHostRoutine(THostBuild::Other, &RecordText);
    const THostBinding host;
    const struct {
        LANGID Language;
        char16_t Expected;
    } table[] = {{MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), u'\u0410'},
                 {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), u'\u00C0'}};
    for (const auto& row : table) {
        SetThreadLocale(MAKELCID(row.Language, SORT_DEFAULT));
        Received.clear();
        host.ShowLine("\xC0");
        ASSERT_EQ(Received.size(), 1u);
        EXPECT_EQ(Received[0].Text, std::u16string(1, row.Expected)) << "language " << row.Language;
    }
}

TEST_F(HostBinding, NeitherBuildDropsLinesWithoutCrashing) {
    // Signature readable, no routine at the other build's address.
    PrepareHostSection(Reversed, 0, nullptr);
    const THostBinding noRoutine;
    EXPECT_EQ(noRoutine.Routine(), 0x5052C0u);
    EXPECT_FALSE(noRoutine.Available());
    noRoutine.ShowLine("Stopped>");

    // Nothing readable at the signature address.
    HideHostSection();
    const THostBinding nothing;
    EXPECT_EQ(nothing.Routine(), 0x5052C0u);
    EXPECT_FALSE(nothing.Available());
    nothing.ShowLine("Stopped>");
    EXPECT_TRUE(Received.empty());
}

} // namespace
