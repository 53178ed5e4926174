// [player] autostart=yes: the player switches on by itself as the game starts, when the
// game's message loop first runs after the load; paused by focus when the game is not
// the active window then.
#pragma once

#include <windows.h>

#include "media/NotifyWindow.h"

class TMp3Player;

class TAutoStart final : private TNotifyTarget {
public:
    // On the game thread, at the load: posts the switch-on to a window of this thread.
    // Raises when the window cannot be made.
    explicit TAutoStart(TMp3Player& player);
    ~TAutoStart();
    TAutoStart(const TAutoStart&) = delete;
    TAutoStart& operator=(const TAutoStart&) = delete;

private:
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept override;

    TMp3Player& FPlayer;
    TNotifyWindow FWindow;
};
