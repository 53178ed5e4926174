// A track's gain: its text forms, the TXXX and RVA2 frames by mode, the LAME header in
// each frame layout, the order of the sources, what is read, and the device volume.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "MemoryTagSource.h"
#include "TagBytes.h"
#include "core/GainedVolume.h"
#include "core/Id3v2Tag.h"
#include "core/LameHeader.h"
#include "core/ReplayGain.h"

namespace {

using TGain = std::optional<double>;

// A TXXX frame of 2.4: description and value in the encoding (0 ISO-8859-1, 1 UTF-16).
std::string Txxx(const std::string& description, const std::string& value, char encoding = 0) {
    if (encoding == 1) return Frame(4, "TXXX", Text(1, Utf16Le(description, true) + std::string(2, '\0') + Utf16Le(value, true)));
    return Frame(4, "TXXX", Text(encoding, description + std::string(1, '\0') + value));
}

// An RVA2 frame: identification, then channels of type, adjustment (1/512 dB), and a
// 16-bit peak.
std::string Rva2(const std::string& id, std::initializer_list<std::pair<int, int>> channels) {
    std::string data = id + std::string(1, '\0');
    for (const auto& [type, adjustment] : channels)
        data += std::string(1, static_cast<char>(type)) + BigEndian(static_cast<std::uint16_t>(adjustment), 2) + "\x10" +
                BigEndian(0x7FFF, 2);
    return Frame(4, "RVA2", data);
}

// A gain field as LAME writes it: name code, originator 3 (set automatically), sign,
// tenths of a decibel.
constexpr std::uint16_t Field(unsigned name, bool negative, unsigned tenths) {
    return static_cast<std::uint16_t>(name << 13 | 3u << 10 | (negative ? 1u : 0u) << 9 | tenths);
}

// A Layer III frame: header, side information (zeros), the Xing or Info tag with the
// fields its flags announce, LAME's extension with the two gain fields, then the rest
// of the frame.
std::string LameFrame(const char* header, std::size_t sideInfo, std::uint16_t radio, std::uint16_t audiophile,
                      unsigned flags = 0x0F, const char* id = "Info") {
    std::string fields;
    if (flags & 1) fields += BigEndian(100, 4);
    if (flags & 2) fields += BigEndian(50000, 4);
    if (flags & 4) fields += std::string(100, '\x11');
    if (flags & 8) fields += BigEndian(57, 4);
    return std::string(header, 4) + std::string(sideInfo, '\0') + id + BigEndian(flags, 4) + fields + "LAME3.100" +
           "\x24\x13" + BigEndian(0x3F800000, 4) + BigEndian(radio, 2) + BigEndian(audiophile, 2) + std::string(300, '\0');
}

constexpr char Mpeg1Stereo[] = "\xFF\xFB\x90\x64", Mpeg1Mono[] = "\xFF\xFB\x90\xC4", Mpeg2Stereo[] = "\xFF\xF3\x80\x64",
               Mpeg2Mono[] = "\xFF\xF3\x80\xC4", Mpeg25Mono[] = "\xFF\xE3\x80\xC4", Mpeg25Stereo[] = "\xFF\xE3\x80\x64";

// The gain of the file as the player reads it in a mode.
TGain GainOf(const std::string& file, TLoudness mode) {
    TMemoryTagSource source(file);
    TTagGains gains(mode);
    const TId3v2Found tag = ReadId3v2(source, false, &gains);
    return TrackGain(gains, source, tag.AudioAt);
}

TEST(ReplayGain, TextForms) {
    const struct {
        const char* Text;
        TGain Db;
    } table[] = {
        {"-7.32 dB", -7.32}, {"+1.5 dB", 1.5}, {"-7.32", -7.32}, {"  -7.32 DB  ", -7.32}, {"3dB", 3.0},
        {"\t-0.5 db", -0.5}, {".5", 0.5},      {"5.", 5.0},      {"", std::nullopt},      {"dB", std::nullopt},
        {"-", std::nullopt}, {"- 5", std::nullopt}, {"1e1", std::nullopt}, {"-7,32 dB", std::nullopt},
        {"7 dB x", std::nullopt}, {"7 dBm", std::nullopt}, {"+-1", std::nullopt}, {"1.2.3", std::nullopt},
    };
    for (const auto& row : table) EXPECT_EQ(DecibelsOfText(row.Text), row.Db) << '"' << row.Text << '"';
}

TEST(ReplayGain, TagFramesInTrackAndAlbumMode) {
    const std::string master7Down = Rva2("track", {{2, 0x0400}, {1, -7 * 512}});
    const struct {
        const char* Case;
        std::string Frames;
        TGain Track, Album;
    } table[] = {
        {"TXXX track: album falls back to it", Txxx("REPLAYGAIN_TRACK_GAIN", "-7.32 dB"), -7.32, -7.32},
        {"TXXX both", Txxx("REPLAYGAIN_TRACK_GAIN", "-7.32 dB") + Txxx("REPLAYGAIN_ALBUM_GAIN", "+1.5 dB"), -7.32, 1.5},
        {"TXXX description in any case, UTF-16", Txxx("replaygain_Album_gain", "-3 dB", 1), std::nullopt, -3.0},
        {"RVA2: the master volume channel, after another", master7Down, -7.0, -7.0},
        {"RVA2 both", Rva2("album", {{1, 1024}}) + Rva2("Track", {{1, -1024}}), -2.0, 2.0},
        {"TXXX comes before RVA2, wherever it stands", master7Down + Txxx("REPLAYGAIN_TRACK_GAIN", "-1"), -1.0, -1.0},
        {"album: TXXX track before RVA2 album", Rva2("album", {{1, 1024}}) + Txxx("REPLAYGAIN_TRACK_GAIN", "-1"), -1.0, -1.0},
        {"a TXXX that is no number falls to RVA2", Txxx("REPLAYGAIN_TRACK_GAIN", "loud") + master7Down, -7.0, -7.0},
        {"of each kind the first frame that holds a gain counts",
         Txxx("REPLAYGAIN_TRACK_GAIN", "x") + Txxx("REPLAYGAIN_TRACK_GAIN", "-2") + Txxx("REPLAYGAIN_TRACK_GAIN", "-3"),
         -2.0, -2.0},
        {"60 dB is a gain", Txxx("REPLAYGAIN_TRACK_GAIN", "-60 dB"), -60.0, -60.0},
        {"beyond 60 dB is none", Txxx("REPLAYGAIN_TRACK_GAIN", "60.01") + Rva2("track", {{1, -32768}}), std::nullopt,
         std::nullopt},
        {"other descriptions and identifications",
         Txxx("REPLAYGAIN_TRACK_PEAK", "0.98") + Txxx("REPLAYGAIN_TRACK_GAIN_X", "-1") + Rva2("normalize", {{1, 512}}),
         std::nullopt, std::nullopt},
        {"RVA2 without a master channel", Rva2("track", {{2, 512}, {3, 512}}), std::nullopt, std::nullopt},
        {"a frame read in part: its first kilobytes count",
         Txxx("REPLAYGAIN_TRACK_GAIN", "-1" + std::string(5000, ' ') + "x") + Txxx("REPLAYGAIN_ALBUM_GAIN", "-2"), -1.0,
         -2.0},
    };
    for (const auto& row : table) {
        EXPECT_EQ(GainOf(Tag(4, row.Frames), TLoudness::Track), row.Track) << row.Case;
        EXPECT_EQ(GainOf(Tag(4, row.Frames), TLoudness::Album), row.Album) << row.Case;
    }
    EXPECT_EQ(GainOf(Tag(2, Frame(2, "TXX", Text(0, std::string("REPLAYGAIN_TRACK_GAIN\0-4 dB", 28)))), TLoudness::Track),
              -4.0)
        << "2.2's TXX";
    EXPECT_EQ(GainOf(Tag(4, Txxx("REPLAYGAIN_TRACK_GAIN", "-1")), TLoudness::Off), std::nullopt) << "off";
}

TEST(ReplayGain, LameHeaderInEachFrameLayout) {
    const std::uint16_t down113 = Field(1, true, 113), up25 = Field(1, false, 25), album5Down = Field(2, true, 50);
    const std::string cover = Frame(3, "APIC", std::string(3 << 20, '\x89'));
    const struct {
        const char* Case;
        std::string File;
        TGain Radio, Audiophile;
    } table[] = {
        {"MPEG-1 stereo", LameFrame(Mpeg1Stereo, 32, down113, 0), -11.3, std::nullopt},
        {"MPEG-1 mono, both fields", LameFrame(Mpeg1Mono, 17, up25, album5Down), 2.5, -5.0},
        {"MPEG-2 stereo", LameFrame(Mpeg2Stereo, 17, down113, album5Down), -11.3, -5.0},
        {"MPEG-2 mono", LameFrame(Mpeg2Mono, 9, down113, 0), -11.3, std::nullopt},
        {"MPEG-2.5 mono", LameFrame(Mpeg25Mono, 9, up25, 0), 2.5, std::nullopt},
        {"MPEG-2.5 stereo", LameFrame(Mpeg25Stereo, 17, up25, 0), 2.5, std::nullopt},
        {"Xing with frames only: the extension comes earlier", LameFrame(Mpeg1Stereo, 32, down113, 0, 0x01, "Xing"),
         -11.3, std::nullopt},
        {"behind an ID3v2 tag of megabytes", Tag(3, cover, 0, 16, LameFrame(Mpeg1Stereo, 32, down113, 0)), -11.3,
         std::nullopt},
        {"behind a 2.4 tag with its footer",
         Tag(4, "", 0x10, 16, std::string(10, '3') + LameFrame(Mpeg2Mono, 9, down113, 0)), -11.3, std::nullopt},
        {"name codes swapped: neither is set", LameFrame(Mpeg1Stereo, 32, Field(2, true, 30), Field(1, true, 30)),
         std::nullopt, std::nullopt},
        {"a mono frame's tag where stereo has it", LameFrame(Mpeg1Mono, 32, down113, 0), std::nullopt, std::nullopt},
        {"Layer II", LameFrame("\xFF\xFD\x90\x64", 32, down113, 0), std::nullopt, std::nullopt},
        {"no Xing or Info tag", LameFrame(Mpeg1Stereo, 32, down113, 0, 0x0F, "VBRI"), std::nullopt, std::nullopt},
        {"a frame cut before the fields", LameFrame(Mpeg1Stereo, 32, down113, album5Down).substr(0, 170), std::nullopt,
         std::nullopt},
        {"not a frame where the tag ends", Tag(3, "", 0, 16, std::string(1, '\0') + LameFrame(Mpeg1Stereo, 32, down113, 0)),
         std::nullopt, std::nullopt},
    };
    for (const auto& row : table) {
        TMemoryTagSource source(row.File);
        const TLameGains gains = ReadLameGains(source, ReadId3v2(source, false, nullptr).AudioAt);
        EXPECT_EQ(gains.Radio, row.Radio) << row.Case;
        EXPECT_EQ(gains.Audiophile, row.Audiophile) << row.Case;
        EXPECT_LT(source.BytesRead, 200u) << row.Case;
    }
}

TEST(ReplayGain, TheTagsGainComesFirstThenLames) {
    const std::string lame = LameFrame(Mpeg1Stereo, 32, Field(1, true, 30), Field(2, true, 50));
    const std::string radioOnly = LameFrame(Mpeg1Stereo, 32, Field(1, true, 113), 0);
    const struct {
        const char* Case;
        std::string File;
        TGain Track, Album;
    } table[] = {
        {"LAME radio only: album falls back to it", radioOnly, -11.3, -11.3},
        {"LAME both", lame, -3.0, -5.0},
        {"TXXX track before LAME's audiophile", Tag(4, Txxx("REPLAYGAIN_TRACK_GAIN", "-1"), 0, 16, lame), -1.0, -1.0},
        {"RVA2 album: the track's from LAME", Tag(4, Rva2("album", {{1, 1024}}), 0, 16, lame), -3.0, 2.0},
        {"a tag without gains", Tag(4, Frame(4, "TIT2", Text(0, "Song")), 0, 16, radioOnly), -11.3, -11.3},
        {"no gain anywhere", Tag(4, Frame(4, "TIT2", Text(0, "Song"))), std::nullopt, std::nullopt},
    };
    for (const auto& row : table) {
        EXPECT_EQ(GainOf(row.File, TLoudness::Track), row.Track) << row.Case;
        EXPECT_EQ(GainOf(row.File, TLoudness::Album), row.Album) << row.Case;
    }
}

TEST(ReplayGain, TheWalkForGainsStepsOverCoversAndEndsWithTheGainOfTheMode) {
    const std::string cover = Frame(4, "APIC", std::string(2 << 20, '\x89'));
    const std::string file = Tag(4, Frame(4, "TIT2", Text(0, "Song")) + Frame(4, "TPE1", Text(0, "Band")) +
                                        Txxx("REPLAYGAIN_TRACK_GAIN", "-1") + cover + Txxx("REPLAYGAIN_ALBUM_GAIN", "-2"));
    TMemoryTagSource namesOnly(file), track(file), album(file);
    ASSERT_TRUE(ReadId3v2(namesOnly, true, nullptr).Names);
    TTagGains trackGains(TLoudness::Track), albumGains(TLoudness::Album);
    EXPECT_EQ(ReadId3v2(track, true, &trackGains).Names->Title, "Song");
    ReadId3v2(album, false, &albumGains);
    EXPECT_EQ(trackGains.Gain(), -1.0);
    EXPECT_EQ(albumGains.Gain(), -2.0);
    EXPECT_EQ(namesOnly.BytesRead, 10u + 2 * (10 + 5)) << "without gains: the header and the two names";
    EXPECT_EQ(track.BytesRead, namesOnly.BytesRead + 10 + 25) << "then the track's TXXX, and no further";
    EXPECT_LT(album.BytesRead, 200u) << "the cover stepped over";
}

TEST(GainedVolume, LevelTimesGainRoundedAndCapped) {
    const struct {
        std::uint32_t Level;
        double Gain, Preamp;
        std::uint32_t Volume;
    } table[] = {
        {1000, 0, 0, 1000},    {1000, -7.32, 0, 431}, {700, -7.32, 0, 301},  {1000, -6.0206, 0, 500},
        {500, 3, 0, 706},      {1000, 3, 0, 1000},    {900, 0.9, 0, 998},    {900, 0.92, 0, 1000},
        {1000, -10, 4, 501},   {1000, 1, -4.5, 668},  {1000, -60, 0, 1},     {1000, -60, -15, 0},
        {100, -6, 0, 50},      {0, 12, 0, 0},         {1000, 60, 15, 1000},
    };
    for (const auto& row : table)
        EXPECT_EQ(GainedVolume(row.Level, row.Gain, row.Preamp), row.Volume)
            << row.Level << " at " << row.Gain << " dB + " << row.Preamp << " dB";
}

TEST(GainedVolume, PreampSetting) {
    const struct {
        const char* Text;
        double Db;
    } table[] = {{"-4.5", -4.5}, {"+15", 15}, {"-15 dB", -15}, {" 3 ", 3},      {"15.01", 0},
                 {"-16", 0},     {"loud", 0}, {"", 0},         {"3 dB!", 0}};
    for (const auto& row : table) EXPECT_EQ(PreampOfText(row.Text), row.Db) << '"' << row.Text << '"';
}

} // namespace
