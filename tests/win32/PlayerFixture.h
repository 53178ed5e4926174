// A player with a recorded MCI, three small files in a fresh game folder, and the
// game's text routine at its fixed address recording every status line.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "FakeMci.h"
#include "HostSection.h"
#include "TestFiles.h"
#include "host/HostApi.h"
#include "media/qrvMP3.h"
#include "player/Mp3Player.h"
#include "win32/WideText.h"

inline std::vector<std::string> Lines;
// Runs once, inside the next status line: a game whose text routine pumps messages.
inline std::function<void()> DuringLine;

extern "C" inline void __cdecl RecordLine(const wchar_t* text, int) {
    Lines.push_back(Utf8Of(text));
    if (DuringLine) std::exchange(DuringLine, nullptr)();
}

class PlayerFixture : public ::testing::Test {
protected:
    PlayerFixture() {
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) WriteFileBytes(name, std::string(200, 'x'));
    }
    ~PlayerFixture() override { DuringLine = nullptr; }
    void Fill(std::initializer_list<const char*> paths) {
        for (const char* path : paths) P.Append(path);
    }
    std::vector<std::string> TakeLines() { return std::exchange(Lines, {}); }
    // The window the last play command asked MCI to notify.
    HWND LastNotifyWindow() const {
        for (auto call = Mci.Calls.rbegin(); call != Mci.Calls.rend(); ++call)
            if (call->Message == MCI_PLAY) return reinterpret_cast<HWND>(call->Callback);
        return nullptr;
    }
    // The end of the current track, as MCI reports it.
    void EndCurrentTrack() {
        const HWND window = LastNotifyWindow();
        ASSERT_NE(window, nullptr);
        SendMessageA(window, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, Mci.DeviceId);
    }

    // Before Host, which binds the routine it finds when it is made.
    const bool RoutineInstalled = (InstallHostRoutine(THostBuild::First, &RecordLine), Lines.clear(), true);
    TTempGameFolder Folder;
    TFakeMci Mci;
    THostBinding Host;
    TMp3Player P{Host, THotKeys{VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_END}};
};
