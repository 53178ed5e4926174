// The hidden window to which MCI posts a device's end-of-play notification.
#pragma once

#include <windows.h>

#include "win32/Handles.h"

// Receives every message of one notification window.
class TNotifyTarget {
public:
    virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept = 0;

protected:
    ~TNotifyTarget() = default;
};

// A never-shown tool window of class "TPUtilWindow" on the creating thread whose
// messages go to its target. Raises when the window cannot be created.
class TNotifyWindow {
public:
    explicit TNotifyWindow(TNotifyTarget& target);
    // Detaches the target before the window goes, so its last messages reach no one.
    ~TNotifyWindow();
    TNotifyWindow(const TNotifyWindow&) = delete;
    TNotifyWindow& operator=(const TNotifyWindow&) = delete;
    HWND Handle() const noexcept { return FWindow.Get(); }

private:
    UniqueWindow FWindow;
};

// Unregisters the window class once no window of it is left (module shutdown).
void ReleaseNotifyWindowClass() noexcept;
