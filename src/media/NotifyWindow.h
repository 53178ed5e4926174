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

inline constexpr char NotifyWindowClassName[] = "TPUtilWindow";

// A never-shown tool window of class "TPUtilWindow" on the creating thread whose
// messages go to its target; with messageOnly, a message-only window of that class,
// which the system makes without a window of the display server (under Wine, an X
// window), at a fraction of the cost. Raises when the window cannot be created.
class TNotifyWindow {
public:
    explicit TNotifyWindow(TNotifyTarget& target, bool messageOnly = false);
    // Detaches the target before the window goes, so its last messages reach no one.
    ~TNotifyWindow();
    TNotifyWindow(const TNotifyWindow&) = delete;
    TNotifyWindow& operator=(const TNotifyWindow&) = delete;
    HWND Handle() const noexcept { return FWindow.Get(); }

private:
    UniqueWindow FWindow;
};

// The window class of the notification windows, registered for as long as the
// plug-in is loaded. A notification window also registers it on demand where no
// owner did (a program that links the device directly).
class TNotifyWindowClass {
public:
    // Raises when the class cannot be registered.
    TNotifyWindowClass();
    // Unregisters the class; every window of it must be gone by then.
    ~TNotifyWindowClass();
    TNotifyWindowClass(const TNotifyWindowClass&) = delete;
    TNotifyWindowClass& operator=(const TNotifyWindowClass&) = delete;
};
