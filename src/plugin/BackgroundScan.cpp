#include "plugin/BackgroundScan.h"

#include "player/Mp3Player.h"
#include "plugin/ConfigTextPass.h"
#include "plugin/LibraryScan.h"

namespace {

// From the scan's thread to the game thread's window.
constexpr UINT EntriesFoundMessage = WM_APP + 1;
constexpr UINT ScanEndedMessage = WM_APP + 2;

} // namespace

// The player's playlist as the scan's sink: each entry joins it at once, under its lock
// (never held across a file-system call: the scan reads the disk between entries).
class TBackgroundScan::TPlayerSink final : public TEntrySink {
public:
    // Only the scan appends once it runs: it counts for itself, without the lock.
    explicit TPlayerSink(TBackgroundScan& scan)
        : FScan(scan), FCount(static_cast<std::size_t>(scan.FPlayer.Count())) {}
    std::size_t Count() const override { return FCount; }
    void Add(std::wstring path) override {
        const bool remembered = !FRememberedTold && FScan.FPlayer.Remembered().Is(path);
        FScan.FPlayer.Append(std::move(path));
        ++FCount;
        // The game thread hears of the first entry, and of the track the first switch-on
        // resumes: a switch-on may wait for either.
        if (!FFoundTold || remembered) {
            const bool told = PostMessageA(FScan.FWindowHandle, EntriesFoundMessage, 0, 0) != FALSE;
            FFoundTold = FFoundTold || told;
            FRememberedTold = FRememberedTold || (remembered && told);
        }
    }
    std::wstring At(std::size_t index) const override { return FScan.FPlayer.Entry(static_cast<std::int32_t>(index)); }
    bool Stopping() const noexcept override { return FScan.FStop.load(std::memory_order_relaxed); }

private:
    TBackgroundScan& FScan;
    std::size_t FCount;
    bool FFoundTold = false;
    bool FRememberedTold = false;
};

TBackgroundScan::TBackgroundScan(TMp3Player& player, std::vector<TPlaylistLine> lines)
    : FPlayer(player), FLines(std::move(lines)), FWindow(static_cast<TNotifyTarget&>(*this), true),
      FWindowHandle(FWindow.Handle()) {}

bool TBackgroundScan::Start() noexcept {
    // A thread started inside the loader's call runs once that call is over.
    FThread.Reset(CreateThread(nullptr, 0, &ThreadEntry, this, 0, nullptr));
    if (!FThread) return false;
    FPlayer.ScanStarted();
    return true;
}

TBackgroundScan::~TBackgroundScan() {
    if (!FThread) return;
    FStop = true;
    WaitForSingleObject(FThread.Get(), INFINITE);
}

bool TBackgroundScan::Running() const noexcept {
    return FThread && WaitForSingleObject(FThread.Get(), 0) == WAIT_TIMEOUT;
}

DWORD WINAPI TBackgroundScan::ThreadEntry(void* scan) noexcept {
    static_cast<TBackgroundScan*>(scan)->Run();
    return 0;
}

void TBackgroundScan::Run() noexcept {
    try {
        TPlayerSink sink(*this);
        ScanPlaylistLines(FLines, sink);
    } catch (...) {
        // Out of memory, say: what was found stays found.
    }
    PostMessageA(FWindowHandle, ScanEndedMessage, 0, 0);
}

LRESULT TBackgroundScan::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message != EntriesFoundMessage && message != ScanEndedMessage)
        return DefWindowProcA(window, message, wParam, lParam);
    // The whole library is known: a switch-on waiting for the remembered track goes on.
    if (message == ScanEndedMessage) FPlayer.Remembered().LibraryComplete();
    try {
        FPlayer.EntriesFound();
    } catch (...) {
        // A first track that cannot start leaves the player on, as the on key would.
    }
    if (message == ScanEndedMessage) FPlayer.ScanEnded();
    return 0;
}
