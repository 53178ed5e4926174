// What the plug-in costs the game's thread while it runs:
//  - hooks: each message the hooks do not act on (a key that is not configured, a
//    sent message that is not WM_ACTIVATE or WM_DESTROY, a posted message taken from
//    the queue that is not WM_QUIT; the key of a combination pressed without its
//    modifiers), against hooks that only hand the call on;
//  - key to "Play>": a switch-on key through the keyboard hook until its status line,
//    against the bare MCI commands that any player needs for the same file (open,
//    length, close, open, play);
//  - the same key with resume=yes and a now-playing file, against the key without them;
//  - the same key with loudness=track (the track's gain read with its tags, sent before
//    its play), against the key without it, in pairs;
//  - key to seek line: a seek key through the keyboard hook until its status line,
//    against the bare MCI commands of the same seek (mode, time format, position,
//    play from);
//  - a track's end to the next track's play command: from the end notification's
//    arrival in the loop to the next MCI play command, with gapless=yes against the
//    change without it, over two short tracks that take turns;
//  - the next key to its "Play>" line with gapless=yes (the next track ready) against
//    the key without it, and the time the loop then spends making the next one ready.
//
//   bench_runtime TRACK.mp3 LONG_TRACK.mp3 [SHORT_TRACK.mp3]
//   (LONG_TRACK: 30 s, for seeks of 10 s; SHORT_TRACK: 1 s, for track ends, else TRACK)
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "BareMci.h"
#include "BenchTiming.h"
#include "HostSection.h"
#include "host/HostApi.h"
#include "media/MciApi.h"
#include "plugin/Hooks.h"
#include "plugin/LibraryLoad.h"
#include "plugin/SessionFiles.h"
#include "win32/FullPathName.h"

namespace {

HHOOK PassKeyboard = nullptr;
HHOOK PassActivate = nullptr;
HHOOK PassGetMessage = nullptr;
int LinesShown = 0;

LRESULT CALLBACK PassKeyboardHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
    return CallNextHookEx(PassKeyboard, code, wParam, lParam);
}
LRESULT CALLBACK PassActivateHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
    return CallNextHookEx(PassActivate, code, wParam, lParam);
}
LRESULT CALLBACK PassGetMessageHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
    return CallNextHookEx(PassGetMessage, code, wParam, lParam);
}

extern "C" void __cdecl CountLine(const wchar_t*, int) { ++LinesShown; }

constexpr int Messages = 20000;

double SendLoop(HWND window) {
    return MedianMicroseconds(5, [&] {
        for (int i = 0; i < Messages; ++i) SendMessageA(window, WM_USER + 1, i, 0);
    });
}

// The message hook as the game's loop calls it for each message it takes: a timer
// tick and a mouse move (a real loop through the queue is dominated by the Wine
// server's round trips, which swamp the hook's own cost).
template <class Proc> double TakenLoop(Proc proc, HWND window) {
    MSG tick{window, WM_TIMER, 1, 0, 0, {}};
    MSG move{window, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10), 0, {}};
    return MedianMicroseconds(5, [&] {
        for (int i = 0; i < Messages; ++i) {
            proc(HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(&tick));
            proc(HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(&move));
        }
    });
}

template <class Proc> double KeyLoop(Proc proc) {
    return MedianMicroseconds(5, [&] {
        for (int i = 0; i < Messages; ++i) {
            proc(HC_ACTION, 'Q', 1);                       // first key-down of a key nobody uses
            proc(HC_ACTION, 'Q', LPARAM(0xC0000001u));     // its key-up
        }
    });
}

// Microseconds from a key's press through the keyboard hook until the hook returns
// (the status line is shown by then).
double TimeKeyToLine(WORD key, const char* what) {
    const int before = LinesShown;
    const double start = NowMicroseconds();
    KeyboardHook(HC_ACTION, key, 1);
    const double elapsed = NowMicroseconds() - start;
    if (LinesShown == before) std::fprintf(stderr, "no %s line\n", what);
    return elapsed;
}

// Winmm's MCI, with the time of the first play command since Arm.
class TPlayClock final : public TMciApi {
public:
    TPlayClock() : FPrevious(ReplaceMciApi(this)) {}
    ~TPlayClock() override { ReplaceMciApi(FPrevious); }
    void Arm() { FirstPlay = 0; }
    MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) override {
        if (message == MCI_PLAY && FirstPlay == 0) FirstPlay = NowMicroseconds();
        return FPrevious->SendCommand(device, message, flags, params);
    }
    MCIERROR SendCommandW(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) override {
        return FPrevious->SendCommandW(device, message, flags, params);
    }
    BOOL GetErrorString(MCIERROR code, LPSTR text, UINT length) override {
        return FPrevious->GetErrorString(code, text, length);
    }
    double FirstPlay = 0;

private:
    TMciApi* FPrevious;
};

// Microseconds from each track's end notification, as the loop takes it, to the next
// play command, for changes track ends (the player switched on over first and second).
std::vector<double> EndToPlay(const THostBinding& host, const std::string& first, const std::string& second,
                              bool gapless, int changes) {
    TPlayClock clock;
    TMp3Player player(host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
    player.Append(first);
    player.Append(second);
    player.SetBetweenTracks({gapless, 0});
    player.KeyPressed(VK_F5);
    std::vector<double> times;
    const double deadline = NowMicroseconds() + 10e6 * changes;
    while (static_cast<int>(times.size()) < changes && NowMicroseconds() < deadline) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            const bool end = msg.message == MM_MCINOTIFY && msg.wParam == MCI_NOTIFY_SUCCESSFUL;
            const double start = NowMicroseconds();
            clock.Arm();
            DispatchMessageA(&msg);
            if (end && clock.FirstPlay > 0) times.push_back(clock.FirstPlay - start);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    player.KeyPressed(VK_F5);
    if (times.empty()) times.push_back(0);
    return times;
}

// Microseconds of the next key through its "Play>" line, and of the loop's work after it
// (making the next track ready, with gapless), over two long tracks that take turns.
std::pair<std::vector<double>, std::vector<double>> NextKeyToPlay(const THostBinding& host, const std::string& first,
                                                                  const std::string& second, bool gapless) {
    TMp3Player player(host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
    player.Append(first);
    player.Append(second);
    player.SetBetweenTracks({gapless, 0});
    const auto pump = [] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    };
    player.KeyPressed(VK_F5);
    pump();
    std::vector<double> keys, after;
    for (int i = 0; i < 9; ++i) {
        double start = NowMicroseconds();
        player.KeyPressed(VK_F6);
        keys.push_back(NowMicroseconds() - start);
        start = NowMicroseconds();
        pump();
        after.push_back(NowMicroseconds() - start);
    }
    player.KeyPressed(VK_F5);
    return {keys, after};
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_runtime TRACK.mp3 LONG_TRACK.mp3\n");
        return 5;
    }
    const std::string track = argv[1];
    const std::string longTrack = argv[2];
    InstallHostRoutine(THostBuild::First, &CountLine);
    const THostBinding host;
    HWND window = CreateWindowExA(0, "STATIC", "bench", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);

    TMp3Player player(host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
    player.Append(track);
    Player = &player;

    // Both sides measured with a track playing (the case with most state for the plug-in's
    // hooks): its decoding threads share the machine with the loops alike.
    KeyboardHook(HC_ACTION, VK_F5, 1);
    // Hooks that only hand the call on.
    const DWORD thread = GetCurrentThreadId();
    PassKeyboard = SetWindowsHookExA(WH_KEYBOARD, PassKeyboardHook, nullptr, thread);
    PassActivate = SetWindowsHookExA(WH_CALLWNDPROCRET, PassActivateHook, nullptr, thread);
    PassGetMessage = SetWindowsHookExA(WH_GETMESSAGE, PassGetMessageHook, nullptr, thread);
    const double passSend = SendLoop(window);
    const double passTaken = TakenLoop(PassGetMessageHook, window);
    const double passKey = KeyLoop(PassKeyboardHook);
    UnhookWindowsHookEx(PassKeyboard);
    UnhookWindowsHookEx(PassActivate);
    UnhookWindowsHookEx(PassGetMessage);

    // The plug-in's hooks.
    std::optional<THooks> hooks(std::in_place);
    const double hookSend = SendLoop(window);
    const double hookTaken = TakenLoop(GameMessageHook, window);
    const double hookKey = KeyLoop(KeyboardHook);
    // The same key when a combination uses it (Ctrl+Q shows where the track is), pressed
    // without Ctrl: the held modifiers are looked at, and nothing acts.
    TMp3Player combined(host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END, 0, 0, 0, 0, KeyCtrl | 'Q', 0});
    Player = &combined;
    const double hookCombinedKey = KeyLoop(KeyboardHook);
    Player = &player;
    KeyboardHook(HC_ACTION, VK_F5, 1);

    std::printf("| hooks: sent message, not WM_ACTIVATE or WM_DESTROY | %.2f us/message | pass-on hooks %.2f us | %.2f |\n",
                hookSend / Messages, passSend / Messages, hookSend / passSend);
    std::printf("| hooks: message taken by the loop, not WM_QUIT | %.3f us/message | pass-on hook %.3f us | %.2f |\n",
                hookTaken / (2 * Messages), passTaken / (2 * Messages), hookTaken / passTaken);
    std::printf("| hooks: key not configured (down, up) | %.2f us/message | pass-on hook %.2f us | %.2f |\n",
                hookKey / (2 * Messages), passKey / (2 * Messages), hookKey / passKey);
    std::printf("| hooks: key of a combination, pressed without its modifiers (down, up) | %.2f us/message | pass-on hook %.2f us | %.2f |\n",
                hookCombinedKey / (2 * Messages), passKey / (2 * Messages), hookCombinedKey / passKey);

    // Key to "Play>": switch on through the keyboard hook; off again outside the timing.
    std::vector<double> keyTimes, bareTimes;
    for (int i = 0; i < 9; ++i) {
        keyTimes.push_back(TimeKeyToLine(VK_F5, "\"Play>\""));
        KeyboardHook(HC_ACTION, VK_F5, 1);

        const double start = NowMicroseconds();
        const MCIDEVICEID device = BareOpenAndPlay(track.c_str());
        bareTimes.push_back(NowMicroseconds() - start);
        BareStopAndClose(device);
    }
    const double keyToPlay = Median(keyTimes);
    const double bare = Median(bareTimes);
    std::printf("| key to \"Play>\" line | %.1f ms | bare MCI open, length, close, open, mode, play %.1f ms | %.2f |\n",
                keyToPlay / 1000, bare / 1000, keyToPlay / bare);

    // The same with resume=yes and a now-playing file: the player reports the change,
    // and the files are written beside the key (their writer thread), not inside it.
    {
        const std::wstring statePath = FullPathName(L"bench-resume.txt");
        const std::wstring nowPlayingPath = FullPathName(L"bench-nowplaying.txt");
        std::vector<double> keptTimes;
        {
            TSessionFiles files(statePath, nowPlayingPath);
            TMp3Player kept(host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
            kept.Append(track);
            kept.SetWatcher(&files);
            Player = &kept;
            for (int i = 0; i < 9; ++i) {
                keptTimes.push_back(TimeKeyToLine(VK_F5, "\"Play>\" with resume and now-playing file"));
                KeyboardHook(HC_ACTION, VK_F5, 1);
            }
            Player = &player;
        }
        DeleteFileW(statePath.c_str());
        DeleteFileW(nowPlayingPath.c_str());
        const double keptToPlay = Median(keptTimes);
        std::printf("| key to \"Play>\" line, resume=yes and nowplaying=FILE | %.1f ms | the same key without them "
                    "%.1f ms | %.2f |\n",
                    keptToPlay / 1000, keyToPlay / 1000, keptToPlay / keyToPlay);
    }

    // The same with loudness=track: the track (made by LAME) has its gain in the LAME
    // header, read in the open that reads the trailer; the volume goes to the device
    // before its play. In pairs with the key without it, so both meet the same machine;
    // the ratio is the median of the pairs' ratios (a busy machine's slow minutes fall on
    // both halves of a pair).
    {
        TMp3Player loud(host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
        loud.SetLoudness({TLoudness::Track, 0});
        loud.Append(track);
        std::vector<double> loudTimes, plainTimes, ratios;
        const auto keyOnOff = [](TMp3Player& on, std::vector<double>& times, const char* what) {
            Player = &on;
            times.push_back(TimeKeyToLine(VK_F5, what));
            KeyboardHook(HC_ACTION, VK_F5, 1);
        };
        for (int i = 0; i < 16; ++i) {
            // Which goes first changes from pair to pair.
            if (i % 2 == 0) keyOnOff(loud, loudTimes, "\"Play>\" with loudness");
            keyOnOff(player, plainTimes, "\"Play>\"");
            if (i % 2 != 0) keyOnOff(loud, loudTimes, "\"Play>\" with loudness");
            ratios.push_back(loudTimes.back() / plainTimes.back());
        }
        Player = &player;
        std::printf("| key to \"Play>\" line, loudness=track | %.1f ms | the same key without it %.1f ms | %.2f |\n",
                    Median(loudTimes) / 1000, Median(plainTimes) / 1000, Median(ratios));
    }

    // Key to a seek's line: ahead and back in turn on a track that plays; the bare seek
    // on a device of its own, outside the timing of the other.
    TMp3Player seeker(host, THotKeys{VK_F5, 0, 0, 0, 0, 0, 0, 0, VK_NEXT, VK_PRIOR, 0, 0});
    seeker.Append(longTrack);
    Player = &seeker;
    KeyboardHook(HC_ACTION, VK_F5, 1);
    std::vector<double> seekTimes, bareSeekTimes;
    for (int i = 0; i < 10; ++i) seekTimes.push_back(TimeKeyToLine(i % 2 == 0 ? VK_NEXT : VK_PRIOR, "seek"));
    KeyboardHook(HC_ACTION, VK_F5, 1);
    const MCIDEVICEID device = BareOpenAndPlay(longTrack.c_str());
    for (int i = 0; i < 10; ++i) {
        const double start = NowMicroseconds();
        BareSeek(device, i % 2 == 0 ? 10000 : -10000, window);
        bareSeekTimes.push_back(NowMicroseconds() - start);
    }
    BareStopAndClose(device);
    const double seek = Median(seekTimes);
    const double bareSeek = Median(bareSeekTimes);
    std::printf("| key to seek line | %.2f ms | bare MCI mode, time format, position, play from %.2f ms | %.2f |\n",
                seek / 1000, bareSeek / 1000, seek / bareSeek);

    // Key to "Play>" with titles from tags: the track behind an ID3v2.3 tag of 5 MB (a
    // cover picture before its title and artist) against the same track without a tag.
    const std::string tagged = "tagged.mp3";
    {
        const auto be = [](std::uint32_t n) {
            return std::string{static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                               static_cast<char>(n)};
        };
        const auto frame = [&](const char* id, const std::string& data) {
            return std::string(id) + be(static_cast<std::uint32_t>(data.size())) + std::string(2, '\0') + data;
        };
        const std::string frames = frame("APIC", std::string("\0image/jpeg\0\x03\0", 14) + std::string(5 << 20, '\x5A')) +
                                   frame("TIT2", std::string(1, '\0') + "Song") + frame("TPE1", std::string(1, '\0') + "Band");
        const auto size = static_cast<std::uint32_t>(frames.size());
        std::string file = "ID3\x03" + std::string(2, '\0') +
                           std::string{static_cast<char>(size >> 21 & 0x7F), static_cast<char>(size >> 14 & 0x7F),
                                       static_cast<char>(size >> 7 & 0x7F), static_cast<char>(size & 0x7F)} +
                           frames;
        HANDLE in = CreateFileA(track.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        std::string audio(GetFileSize(in, nullptr), '\0');
        DWORD got = 0;
        ReadFile(in, audio.data(), static_cast<DWORD>(audio.size()), &got, nullptr);
        CloseHandle(in);
        file += audio;
        HANDLE out = CreateFileA(tagged.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        WriteFile(out, file.data(), static_cast<DWORD>(file.size()), &got, nullptr);
        CloseHandle(out);
    }
    TMp3Player withTag(host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
    TMp3Player withoutTag(host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
    TMp3Player byFileName(host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END});
    withTag.Append(tagged);
    withoutTag.Append(track);
    byFileName.Append(tagged);
    withTag.SetTitlesFromTags(true);
    withoutTag.SetTitlesFromTags(true);
    std::vector<double> taggedTimes, plainTimes, fileNameTimes, bareTagged, barePlain;
    for (int i = 0; i < 9; ++i) {
        for (TMp3Player* p : {&withTag, &withoutTag, &byFileName}) {
            Player = p;
            (p == &withTag ? taggedTimes : p == &withoutTag ? plainTimes : fileNameTimes)
                .push_back(TimeKeyToLine(VK_F5, "\"Play>\""));
            KeyboardHook(HC_ACTION, VK_F5, 1);
        }
        for (const std::string* file : {&tagged, &track}) {
            const double start = NowMicroseconds();
            const MCIDEVICEID bareDevice = BareOpenAndPlay(file->c_str());
            (file == &tagged ? bareTagged : barePlain).push_back(NowMicroseconds() - start);
            BareStopAndClose(bareDevice);
        }
    }
    const double taggedPlay = Median(taggedTimes), plainPlay = Median(plainTimes), fileNamePlay = Median(fileNameTimes);
    std::printf("| key to \"Play> Band - Song\" (titles from tags), behind a 5 MB tag | %.1f ms | the same track "
                "without a tag %.1f ms | %.2f |\n",
                taggedPlay / 1000, plainPlay / 1000, taggedPlay / plainPlay);
    std::printf("| (the platform's own part: bare MCI open to play, 5 MB tag) | %.1f ms | without a tag %.1f ms | %.2f |\n",
                Median(bareTagged) / 1000, Median(barePlain) / 1000, Median(bareTagged) / Median(barePlain));
    std::printf("| (the tag reading's part: titles from tags, 5 MB tag) | %.1f ms | titles from file names, same "
                "file %.1f ms | %.2f |\n",
                taggedPlay / 1000, fileNamePlay / 1000, taggedPlay / fileNamePlay);
    DeleteFileA(tagged.c_str());

    // A track's end to the next play command: 11 changes each way.
    const std::string shortTrack = argc > 3 ? argv[3] : track;
    const std::string otherTrack = "other-" + std::string(shortTrack.substr(shortTrack.find_last_of("\\/") + 1));
    CopyFileA(shortTrack.c_str(), otherTrack.c_str(), FALSE);
    const double gaplessEnd = Median(EndToPlay(host, shortTrack, otherTrack, true, 11));
    const double todayEnd = Median(EndToPlay(host, shortTrack, otherTrack, false, 11));
    DeleteFileA(otherTrack.c_str());
    std::printf("| track end to the next track's play command, gapless=yes (median of 11) | %.2f ms | the change "
                "without it %.1f ms | %.3f |\n",
                gaplessEnd / 1000, todayEnd / 1000, gaplessEnd / todayEnd);
    const std::string otherLong = "other-long.mp3";
    CopyFileA(longTrack.c_str(), otherLong.c_str(), FALSE);
    const auto [readyKeys, readyAfter] = NextKeyToPlay(host, longTrack, otherLong, true);
    const auto [plainKeys, plainAfter] = NextKeyToPlay(host, longTrack, otherLong, false);
    DeleteFileA(otherLong.c_str());
    std::printf("| next key to \"Play>\" line, gapless=yes (the next track ready) | %.1f ms | the key without it "
                "%.1f ms | %.2f |\n",
                Median(readyKeys) / 1000, Median(plainKeys) / 1000, Median(readyKeys) / Median(plainKeys));
    std::printf("| (after that key, the loop making the next track ready) | %.1f ms | without gapless %.1f ms | |\n",
                Median(readyAfter) / 1000, Median(plainAfter) / 1000);

    hooks.reset();
    Player = nullptr;
    return 0;
}
