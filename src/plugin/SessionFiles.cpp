#include "plugin/SessionFiles.h"

#include <mutex>
#include <utility>

#include "core/ResumeState.h"
#include "player/Mp3Player.h"
#include "plugin/KeyReader.h"
#include "win32/AtomicFile.h"
#include "win32/FullPathName.h"
#include "win32/WideText.h"

namespace {

// Posted at the load, taken when the game's loop first runs.
constexpr UINT AutoStartMessage = WM_APP + 3;
// A state file is a few lines: anything larger is not ours.
constexpr std::size_t MaxStateBytes = 8192;
constexpr int StateSlot = 0;
constexpr int NowPlayingSlot = 1;

// A file busy in another program's hands, for a moment.
constexpr int RetriesWhenInUse = 10;
constexpr DWORD RetryPauseMs = 30;
bool FileInUse(DWORD error) noexcept {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

// True when the game thread's window is the foreground window.
bool GameIsActive() noexcept {
    const HWND foreground = GetForegroundWindow();
    return foreground != nullptr && GetWindowThreadProcessId(foreground, nullptr) == GetCurrentThreadId();
}

} // namespace

TFileWriter::TFileWriter(DWORD drainWaitMs)
    : FDrainWaitMs(drainWaitMs), FWake(CreateEventW(nullptr, FALSE, FALSE, nullptr)), FIdle(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

TFileWriter::~TFileWriter() {
    if (!FThread) return;
    {
        const std::lock_guard lock(FLock);
        FStop = true;
    }
    SetEvent(FWake.Get());
    WaitForSingleObject(FThread.Get(), INFINITE);
}

void TFileWriter::Put(int slot, const std::wstring& path, std::string text) {
    {
        const std::lock_guard lock(FLock);
        TSlot& target = FSlots[slot];
        // The file holds this already, or will once the running write ends (a shuffle key
        // changes no title).
        if (!target.Pending && target.Known && target.Written == text) return;
        target.Path = &path;
        target.Text = std::move(text);
        target.Pending = true;
        ResetEvent(FIdle.Get());
    }
    if (!FThread && FWake && FIdle) FThread.Reset(CreateThread(nullptr, 0, &ThreadEntry, this, 0, nullptr));
    if (FThread)
        SetEvent(FWake.Get());
    else
        Drain(); // no thread: written here, as slowly as the disk is
}

bool TFileWriter::WriteOne() noexcept {
    TSlot* taken = nullptr;
    const std::wstring* path = nullptr;
    {
        const std::lock_guard lock(FLock);
        for (TSlot& slot : FSlots) {
            if (!slot.Pending || slot.Busy) continue;
            slot.Written.swap(slot.Text);
            slot.Pending = false;
            slot.Known = slot.Busy = true;
            taken = &slot;
            path = slot.Path;
            break;
        }
    }
    if (taken == nullptr) return false;
    // Written with no lock held: the game thread may queue the next text meanwhile, and
    // compares it with this one, which no one changes while the slot is busy.
    const std::string& text = taken->Written;
    bool written = ReplaceFileAtomically(*path, text);
    // A reader that holds the file open at that moment (an overlay polling it) refuses
    // the replacement for a moment only: try again shortly, a few times.
    for (int retry = 0; !written && retry < RetriesWhenInUse && FileInUse(GetLastError()); ++retry) {
        Sleep(RetryPauseMs);
        written = ReplaceFileAtomically(*path, text);
    }
    const std::lock_guard lock(FLock);
    taken->Busy = false;
    taken->Known = written;
    return true;
}

void TFileWriter::Drain() noexcept {
    if (FThread) {
        SetEvent(FWake.Get());
        if (WaitForSingleObject(FIdle.Get(), FDrainWaitMs) == WAIT_OBJECT_0) return;
    }
    while (WriteOne()) {
    }
}

DWORD WINAPI TFileWriter::ThreadEntry(void* writer) noexcept {
    static_cast<TFileWriter*>(writer)->Run();
    return 0;
}

void TFileWriter::Run() noexcept {
    for (;;) {
        WaitForSingleObject(FWake.Get(), INFINITE);
        while (WriteOne()) {
        }
        const std::lock_guard lock(FLock);
        if (FStop) return;
        if (!FSlots[0].Pending && !FSlots[1].Pending && !FSlots[0].Busy && !FSlots[1].Busy) SetEvent(FIdle.Get());
    }
}

std::unique_ptr<TSessionFiles> TSessionFiles::Make(TMp3Player* player, const char* configFile) {
    if (player == nullptr) return nullptr;
    const TKeyReader keys(configFile);
    const bool resume = keys.ValueIs("player", "resume", "yes");
    const bool autoStart = keys.ValueIs("player", "autostart", "yes");
    char nowPlaying[MAX_PATH * 2];
    const DWORD length = GetPrivateProfileStringA("display", "nowplaying", "", nowPlaying, sizeof nowPlaying, configFile);
    if (!resume && !autoStart && length == 0) return nullptr;
    // Full paths now: the game may change its current folder later.
    std::wstring resumePath = resume ? FullPathName(WideOfFileName(ResumeFileName)) : std::wstring();
    std::wstring nowPlayingPath =
        length > 0 ? FullPathName(WideOfFileName(std::string_view(nowPlaying, length))) : std::wstring();
    return std::make_unique<TSessionFiles>(*player, std::move(resumePath), std::move(nowPlayingPath), autoStart);
}

TSessionFiles::TSessionFiles(TMp3Player& player, std::wstring resumePath, std::wstring nowPlayingPath, bool autoStart)
    : FPlayer(player), FResumePath(std::move(resumePath)), FNowPlayingPath(std::move(nowPlayingPath)) {
    if (!FResumePath.empty()) {
        // A file missing, cut short or garbled is no state: the player starts as always.
        if (const auto text = ReadSmallFile(FResumePath, MaxStateBytes))
            if (const auto state = ParseResumeState(*text))
                FPlayer.RememberTrack(WideOf(state->TrackUtf8, true), state->PositionMs, state->Shuffle);
    }
    if (!FResumePath.empty() || !FNowPlayingPath.empty()) FPlayer.SetWatcher(this);
    if (autoStart) {
        FWindow = std::make_unique<TNotifyWindow>(static_cast<TNotifyTarget&>(*this));
        PostMessageA(FWindow->Handle(), AutoStartMessage, 0, 0);
    }
}

TSessionFiles::~TSessionFiles() { FPlayer.SetWatcher(nullptr); }

void TSessionFiles::PlayerChanged(const TPlayerReport& report, bool gameEnding) noexcept {
    try {
        if (!FResumePath.empty() && !report.Path.empty())
            FWriter.Put(StateSlot, FResumePath,
                        ResumeStateText({Utf8Of(report.Path), report.PositionMs, report.Shuffle}));
        if (!FNowPlayingPath.empty()) FWriter.Put(NowPlayingSlot, FNowPlayingPath, Utf8Of(report.NowPlaying));
    } catch (...) {
        // Out of memory: the files stay as they were.
    }
    if (gameEnding) FWriter.Drain();
}

LRESULT TSessionFiles::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message != AutoStartMessage) return DefWindowProcA(window, message, wParam, lParam);
    try {
        FPlayer.AutoStart(GameIsActive());
    } catch (...) {
        // A first track that cannot start leaves the player on, as the on key would.
    }
    return 0;
}
