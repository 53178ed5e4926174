#include "plugin/AutoStart.h"

#include "player/Mp3Player.h"

namespace {

// Posted at the load, taken when the game's loop first runs.
constexpr UINT AutoStartMessage = WM_APP + 3;

// True when the game thread's window is the foreground window.
bool GameIsActive() noexcept {
    const HWND foreground = GetForegroundWindow();
    return foreground != nullptr && GetWindowThreadProcessId(foreground, nullptr) == GetCurrentThreadId();
}

} // namespace

TAutoStart::TAutoStart(TMp3Player& player) : FPlayer(player), FWindow(static_cast<TNotifyTarget&>(*this)) {
    PostMessageA(FWindow.Handle(), AutoStartMessage, 0, 0);
}

TAutoStart::~TAutoStart() = default;

LRESULT TAutoStart::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message != AutoStartMessage) return DefWindowProcA(window, message, wParam, lParam);
    FPlayer.AutoStart(GameIsActive());
    return 0;
}
