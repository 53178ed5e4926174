// The playlist lines from the first library form on ("**" folders and playlist files),
// read on a thread of their own beside the game: the game starts at once, and the
// entries join the player's playlist as they are found.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "media/NotifyWindow.h"
#include "plugin/ConfigTextPass.h"
#include "win32/Handles.h"

class TMp3Player;

class TBackgroundScan final : private TNotifyTarget {
public:
    // On the game thread: the window that hears from the scan is the game thread's, a
    // message-only one (made inside the game's start: the cheapest kind). Raises when
    // the window cannot be made.
    TBackgroundScan(TMp3Player& player, std::vector<TPlaylistLine> lines);
    // Starts the scan and tells the player; false, with nothing started, when no thread
    // could be started.
    bool Start() noexcept;
    // A scan that was started is told to stop and waited for: never on the loader's
    // call (the loaded plug-in lives until the process ends, and is not destroyed then).
    ~TBackgroundScan();
    TBackgroundScan(const TBackgroundScan&) = delete;
    TBackgroundScan& operator=(const TBackgroundScan&) = delete;

    // Reads the lines on the calling thread instead, where no thread can be started.
    void RunHere() noexcept { Run(); }
    // True while the thread's work is not done.
    bool Running() const noexcept;

private:
    class TPlayerSink;
    static DWORD WINAPI ThreadEntry(void* scan) noexcept;
    void Run() noexcept;
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept override;

    TMp3Player& FPlayer;
    const std::vector<TPlaylistLine> FLines;
    std::atomic<bool> FStop{false};
    TNotifyWindow FWindow;
    const HWND FWindowHandle;
    UniqueHandle FThread;
};
