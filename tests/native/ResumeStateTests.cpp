#include <gtest/gtest.h>

#include <string>

#include "FuzzSeeds.h"
#include "core/ResumeState.h"

namespace {

TEST(ResumeState, RoundTripsAndIgnoresWhatIsNotWhole) {
    const TResumeState song{"D:\\Music\\\xe5\xa4\x9c.mp3", 83000, true};
    const std::string whole = ResumeStateText(song);
    SaveFuzzSeed("fuzz_resume_state", whole);
    EXPECT_EQ(ParseResumeState(whole), song);
    EXPECT_EQ(ParseResumeState(ResumeStateText({"a.mp3", 0, false})), (TResumeState{"a.mp3", 0, false}));
    const char* reordered = "quilm-state 1\nshuffle=no\nposition_ms=2147483647\ntrack=x =y\nend\n";
    SaveFuzzSeed("fuzz_resume_state", reordered);
    EXPECT_EQ(ParseResumeState(reordered), (TResumeState{"x =y", 2147483647, false}));
    // Every cut of a whole text is no state at all.
    for (std::size_t length = 0; length < whole.size(); ++length)
        EXPECT_FALSE(ParseResumeState(whole.substr(0, length))) << length;
    const char* garbled[] = {
        "quilm-state 2\r\ntrack=a\r\nposition_ms=1\r\nshuffle=no\r\nend\r\n",   // another form
        "quilm-state 1\r\ntrack=\r\nposition_ms=1\r\nshuffle=no\r\nend\r\n",    // no track
        "quilm-state 1\r\ntrack=a\r\nposition_ms=-1\r\nshuffle=no\r\nend\r\n",  // negative
        "quilm-state 1\r\ntrack=a\r\nposition_ms=2147483648\r\nshuffle=no\r\nend\r\n",
        "quilm-state 1\r\ntrack=a\r\nposition_ms=1x\r\nshuffle=no\r\nend\r\n",
        "quilm-state 1\r\ntrack=a\r\nposition_ms=1\r\nshuffle=maybe\r\nend\r\n",
        "quilm-state 1\r\ntrack=a\r\nposition_ms=1\r\nend\r\n",                  // a line missing
        "quilm-state 1\r\ntrack=a\r\ntrack=b\r\nposition_ms=1\r\nshuffle=no\r\nend\r\n",
        "quilm-state 1\r\ntrack=a\r\nposition_ms=1\r\nshuffle=no\r\ncolour=red\r\nend\r\n",
        "quilm-state 1\r\ntrack=a\r\nposition_ms=1\r\nshuffle=no\r\nend\r\nend\r\n",
        "\xff\xfe\x00garbage",
    };
    for (const char* text : garbled) {
        EXPECT_FALSE(ParseResumeState(text)) << text;
        SaveFuzzSeed("fuzz_resume_state", text);
    }
    EXPECT_FALSE(ParseResumeState(std::string("quilm-state 1\ntrack=a\0b\nposition_ms=1\nshuffle=no\nend\n", 53)));
}

} // namespace
