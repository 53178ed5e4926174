#include "media/NotifyWindow.h"

#include <string>

#include "core/Errors.h"
#include "win32/ModuleInstance.h"
#include "win32/SystemErrorText.h"

namespace {

// Hands a message to the window's target; before the target is attached, and after
// it is gone, the default procedure answers.
LRESULT CALLBACK NotifyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* target = reinterpret_cast<TNotifyTarget*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (target == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    return target->HandleMessage(window, message, wParam, lParam);
}

void RegisterNotifyWindowClass() {
    WNDCLASSA existing;
    if (GetClassInfoA(ThisModule(), NotifyWindowClassName, &existing)) return;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = ThisModule();
    windowClass.lpszClassName = NotifyWindowClassName;
    if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw Exception("Cannot register the notification window class. " + SystemErrorText(GetLastError()));
}

} // namespace

TNotifyWindow::TNotifyWindow(TNotifyTarget& target, bool messageOnly) {
    RegisterNotifyWindowClass();
    // A pop-up has no frame for the system to measure as the window is made.
    FWindow.Reset(CreateWindowExA(messageOnly ? 0 : WS_EX_TOOLWINDOW, NotifyWindowClassName, "", WS_POPUP, 0, 0, 0,
                                  0, messageOnly ? HWND_MESSAGE : nullptr, nullptr, ThisModule(), nullptr));
    if (!FWindow) throw Exception("Cannot create the notification window. " + SystemErrorText(GetLastError()));
    SetWindowLongPtrA(FWindow.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&target));
    SetWindowLongPtrA(FWindow.Get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NotifyWindowProc));
}

TNotifyWindow::~TNotifyWindow() {
    if (FWindow) SetWindowLongPtrA(FWindow.Get(), GWLP_USERDATA, 0);
}

TNotifyWindowClass::TNotifyWindowClass() { RegisterNotifyWindowClass(); }

TNotifyWindowClass::~TNotifyWindowClass() { UnregisterClassA(NotifyWindowClassName, ThisModule()); }
