#include "plugin/SessionFiles.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "core/PlaylistFile.h"
#include "core/ResumeState.h"
#include "plugin/KeyReader.h"
#include "win32/AtomicFile.h"
#include "win32/FileTests.h"
#include "win32/FullPathName.h"
#include "win32/WideText.h"

namespace {

// A state file is a few short lines and one path (32,767 UTF-16 units at most, each at
// most 3 bytes in UTF-8): anything larger is not ours.
constexpr std::size_t MaxStateBytes = 3 * 32768 + 256;
constexpr int StateSlot = 0;
constexpr int NowPlayingSlot = 1;

// A file busy in another program's hands, for a moment.
constexpr int RetriesWhenInUse = 10;
constexpr DWORD RetryPauseMs = 30;
bool FileInUse(DWORD error) noexcept {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

// The full path of the now-playing file, read as a playlist line of the configuration is:
// in the system code page, unless that names no file while the UTF-8 reading of a value
// beyond ASCII names a folder to write it in (a quilm.ini saved as UTF-8, as Notepad
// saves files now).
std::wstring NowPlayingPathAsMeant(std::string_view value) {
    std::wstring inCodePage = FullPathName(WideOfFileName(value));
    const bool ascii = std::all_of(value.begin(), value.end(), [](char c) { return (c & 0x80) == 0; });
    if (ascii || !IsValidUtf8(value) || IsExistingFile(inCodePage)) return inCodePage;
    std::wstring inUtf8 = FullPathName(WideOf(value, true));
    if (IsExistingFolder(inUtf8.substr(0, FolderOf(inUtf8).size()))) return inUtf8;
    return inCodePage;
}

} // namespace

TFileWriter::TFileWriter(DWORD drainWaitMs)
    : FDrainWaitMs(drainWaitMs), FWake(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      FIdle(CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

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
        if (!target.Pending && target.Known && target.Written == text) {
            target.Absorbed = target.Busy;
            return;
        }
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
    // A text that was left out because this write would give it, and this write failed:
    // it is still wanted, once more.
    if (std::exchange(taken->Absorbed, false) && !written && !taken->Pending) {
        taken->Text = taken->Written;
        taken->Pending = true;
    }
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

TSessionSettings ReadSessionSettings(const char* configFile) {
    const TKeyReader keys(configFile);
    TSessionSettings settings;
    settings.AutoStart = keys.ValueIs("player", "autostart", "yes");
    // Full paths now: the game may change its current folder later.
    if (keys.ValueIs("player", "resume", "yes")) settings.ResumePath = FullPathName(WideOfFileName(ResumeFileName));
    const std::string nowPlaying = keys.Value("display", "nowplaying");
    if (!nowPlaying.empty()) settings.NowPlayingPath = NowPlayingPathAsMeant(nowPlaying);
    return settings;
}

TSessionFiles::TSessionFiles(std::wstring resumePath, std::wstring nowPlayingPath)
    : FResumePath(std::move(resumePath)), FNowPlayingPath(std::move(nowPlayingPath)) {}

TSessionFiles::~TSessionFiles() = default;

std::optional<TResumeState> TSessionFiles::RememberedState() const {
    if (FResumePath.empty()) return std::nullopt;
    const auto text = ReadSmallFile(FResumePath, MaxStateBytes);
    return text ? ParseResumeState(*text) : std::nullopt;
}

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
