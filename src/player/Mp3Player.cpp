#include "player/Mp3Player.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "core/OperationGuard.h"
#include "core/StatusText.h"
#include "host/HostApi.h"
#include "media/qrvMP3.h"
#include "win32/FileTests.h"
#include "win32/WideText.h"

namespace {

// The actions of the key map, in the order in which their keys are tested.
enum TAction : int {
    ActionOn, ActionPrev, ActionNext, ActionPause, ActionShuffle, ActionEnd,
    ActionVolumeUp, ActionVolumeDown, ActionSeekForward, ActionSeekBack, ActionShow, ActionMute,
};

// How far one press of a seek key moves the track.
constexpr std::int32_t SeekStepMs = 10000;

// A new seed from the performance counter, or the tick count when there is none.
std::uint32_t FreshSeed() noexcept {
    LARGE_INTEGER counter;
    if (QueryPerformanceCounter(&counter)) return static_cast<std::uint32_t>(counter.QuadPart);
    return GetTickCount();
}

} // namespace

TMp3Player::TMp3Player(const THostBinding& host, const THotKeys& keys)
    : FHost(host), FKeys(keys),
      FKeyMap({keys.On, keys.Prev, keys.Next, keys.Pause, keys.Shuffle, keys.End, keys.VolumeUp, keys.VolumeDown,
               keys.SeekForward, keys.SeekBack, keys.Show, keys.Mute}) {}

void TMp3Player::Append(std::string_view path) { Append(WideOf(path, false)); }

TMp3Player::~TMp3Player() {
    TOperationGuard::Forget(this);
    FPlaylist.clear();
    FTrack.reset();
}

// Out of line: inlined into each caller, with the playlist lock, they only add weight.
[[gnu::noinline]] void TMp3Player::Next() {
    if (!FActive) return;
    FIndex = FOrder.Next(FIndex, Count());
    PlayCurrent();
}

[[gnu::noinline]] void TMp3Player::Prev() {
    if (!FActive) return;
    FIndex = FOrder.Prev(FIndex, Count());
    PlayCurrent();
}

void TMp3Player::Toggle() {
    if (!FActive && FScanning && (Count() == 0 || FRemembered.Awaited())) {
        // Nothing found yet: on with the first entry, unless pressed again before.
        FWantOn = !FWantOn;
        return;
    }
    if (FWantOn) {
        // Pressed again while the first entries were on their way: that takes it back.
        FWantOn = false;
        return;
    }
    FActive = !FActive && Count() > 0;
    if (FActive) {
        if (!StartRemembered()) Next();
    } else {
        // Where the track was as the player went off, for the next session.
        Tell(false, true);
        FBetween.Close();
        Stop();
    }
}

void TMp3Player::EntriesFound() {
    if (TOperationGuard::Running()) {
        TOperationGuard::Defer(&TMp3Player::DeferredEntriesFound, this, 0);
        return;
    }
    const TOperationGuard operation;
    if (!FWantOn || FGameState != TGameState::Running || Count() == 0) return;
    FWantOn = false;
    Toggle();
    PauseWhileAway();
}

void TMp3Player::DeferredEntriesFound(void* player, std::uintptr_t) noexcept {
    try {
        static_cast<TMp3Player*>(player)->EntriesFound();
    } catch (...) {
        // A first track that cannot start leaves the player on, as the on key would.
    }
}

void TMp3Player::ScanEnded() noexcept {
    if (TOperationGuard::Running()) {
        // After the news of the first entries, which may be waiting too: a switch-on
        // waits for them.
        TOperationGuard::Defer(&TMp3Player::DeferredScanEnded, this, 0);
        return;
    }
    FScanning = false;
    FWantOn = false;
}

void TMp3Player::DeferredScanEnded(void* player, std::uintptr_t) noexcept {
    static_cast<TMp3Player*>(player)->ScanEnded();
}

void TMp3Player::PauseResume() {
    if (!FTrack) return;
    switch (FTrack->Mode()) {
    case mmPaused:
        FTrack->Resume();
        ShowTrackLine(ResumeLine(FTrack->Title()));
        break;
    case mmPlaying:
        FTrack->Pause();
        Tell(false, true);
        ShowText(StatusPaused);
        break;
    default:
        break;
    }
}

void TMp3Player::SetShuffle(bool Value) {
    ShowText(Value ? StatusShuffleOn : StatusShuffleOff);
    FOrder.SetShuffle(Value, FIndex, FreshSeed());
    Tell(false, false);
}

void TMp3Player::Stop() {
    if (!FTrack) return;
    FTrack->Stop();
    FTrack.reset();
    ShowText(StatusStopped);
}

void TMp3Player::CloseTrack() noexcept {
    if (!FTrack) return;
    FTrack->CloseNow();
    FTrack.reset();
}

void TMp3Player::CloseForExit() noexcept {
    Tell(true, true);
    FActive = false;
    FPausedByFocus = false;
    CloseTrack();
    FBetween.Close();
}

void TMp3Player::GameEnding() noexcept {
    // From now on nothing plays or shows, not even work deferred before this.
    FGameState = TGameState::Quit;
    FSuspended.reset();
    if (TOperationGuard::Running()) {
        // A play that the running operation is in the middle of starts no more.
        if (FTrack) FTrack->Abandon();
        TOperationGuard::Defer(&TMp3Player::DeferredGameEnd, this, 0);
        return;
    }
    const TOperationGuard operation;
    CloseForExit();
}

void TMp3Player::WindowsGone() noexcept {
    if (FGameState == TGameState::Quit) return;
    FGameState = TGameState::WindowsGone;
    if (TOperationGuard::Running()) {
        if (FTrack) FTrack->Abandon();
        // A quit that comes next takes this request's place; a later one finds the
        // state Quit and this request then does nothing.
        TOperationGuard::Defer(&TMp3Player::DeferredGameEnd, this, 1);
        return;
    }
    const TOperationGuard operation;
    TSuspendedTrack kept;
    if (FTrack) {
        try {
            const TMciMode mode = FTrack->Mode();
            kept.Paused = mode == mmPaused;
            if (mode == mmPlaying || mode == mmPaused) kept.PositionMs = FTrack->PositionMs();
        } catch (...) {
            // A device that cannot say where it is starts over from the beginning.
            kept = {};
        }
        kept.PausedByFocus = kept.Paused && FPausedByFocus;
    } else {
        // Its track ended, or it never started: a new window starts FIndex afresh.
        kept.Fresh = true;
    }
    const bool wasOn = FActive;
    CloseForExit();
    if (wasOn) FSuspended = kept;
}

void TMp3Player::DeferredGameEnd(void* player, std::uintptr_t windowsOnly) noexcept {
    auto* self = static_cast<TMp3Player*>(player);
    windowsOnly ? self->WindowsGone() : self->GameEnding();
}

void TMp3Player::ReopenSuspended(bool resumePausedByFocus) {
    const std::optional<TSuspendedTrack> kept = std::exchange(FSuspended, std::nullopt);
    FGameState = TGameState::Running;
    if (!kept) return; // the player was off
    FActive = true;
    const bool paused = kept->Paused && !(kept->PausedByFocus && resumePausedByFocus);
    if (!StartCurrent(kept->PositionMs, paused)) return;
    if (paused)
        FPausedByFocus = kept->PausedByFocus;
    else
        ShowTrackLine(kept->Fresh ? PlayLine(FTrack->Title(), FTrack->Length()) : ResumeLine(FTrack->Title()));
    Tell(false, false);
}

void TMp3Player::PlayCurrent() {
    if (FTrack) Stop();
    // The game may have ended inside "Stopped>": nothing opens after that.
    if (Interrupted()) return;
    if (StartCurrent(0, false)) ShowTrackLine(PlayLine(FTrack->Title(), FTrack->Length()));
    Tell(false, false);
}

bool TMp3Player::StartCurrent(std::int32_t fromMs, bool paused) {
    std::wstring path = Entry(FIndex);
    FTrack = FBetween.TakeReady(FIndex);
    if (!FTrack && !IsExistingFile(path)) return false;
    if (FWatcher) FLastPath = std::move(path);
    if (!FTrack) FTrack = MakeTrack(FIndex);
    if (!FTrack) return false;
    // A position beyond the end (a remembered one from a file since changed) starts over.
    if (fromMs > 0 && FTrack->LengthMs() > 0 && fromMs >= FTrack->LengthMs()) fromMs = 0;
    FLastPositionMs = fromMs;
    // A focus pause belonged to the track before: this one was never paused.
    FPausedByFocus = false;
    try {
        if (fromMs == 0 && !paused)
            FTrack->Play();
        else
            FTrack->PlayFrom(fromMs, paused);
    } catch (...) {
        // Nothing plays: no key may act on this track as if it did.
        CloseTrack();
        throw;
    }
    FBetween.TrackStarted();
    // The same inside the play: the game's end closes the device, and nothing is shown.
    return !Interrupted();
}

std::unique_ptr<TqrvMP3> TMp3Player::MakeTrack(std::int32_t index) {
    std::wstring path = Entry(index);
    // A list of one entry, an entry listed twice in a row: the file opens once the
    // current track's device, which holds it, has closed.
    if (FTrack && path == FTrack->FileName()) return nullptr;
    auto track = std::make_unique<TqrvMP3>(std::move(path), FTitlesFromTags, FVolume.Loudness());
    // Measuring the length opens the device, and its driver may have let the game end.
    if (Interrupted()) return nullptr;
    track->SetOnEnd([this](TqrvMP3& sender) { TrackEnded(sender); });
    if (FOnTrackProgress) track->SetOnProgress(FOnTrackProgress);
    // Sent as the device opens, before its play.
    if (const auto volume = FVolume.BeforePlay(track->Gain())) track->SetVolume(*volume);
    return track;
}

std::int32_t TMp3Player::PeekNextEntry() {
    if (!FActive || !FTrack || Interrupted()) return -1;
    return FOrder.PeekNext(FIndex, Count());
}

void TMp3Player::MoveOnFading(std::unique_ptr<TqrvMP3>& fading) {
    fading = std::move(FTrack);
    Next();
}

// Once the game's end has come, whatever pumped it inside the running operation (an MCI
// command, the text routine), no line follows: the game's screen is going away.
void TMp3Player::ShowText(std::string_view Line) {
    if (!Interrupted()) FHost.ShowLine(Line);
}

void TMp3Player::ShowTrackLine(std::wstring_view line) {
    if (!Interrupted()) FHost.ShowLine(line);
}

void TMp3Player::TrackEnded(TqrvMP3& Sender) {
    // A crossfade's fading track ends when the player has moved on already.
    if (&Sender != FTrack.get()) return;
    // An end that was waiting behind the game's end starts nothing.
    if (FGameState == TGameState::Running) {
        Next();
    } else if (FGameState == TGameState::WindowsGone && FActive) {
        // The track ended before its last window went, and WindowsGone waits behind
        // this: a new window goes on with the next track, not with this one again.
        FIndex = FOrder.Next(FIndex, Count());
        FTrack.reset();
    }
}

TKeyOutcome TMp3Player::KeyPressed(std::uint16_t key) {
    // A key is a moment's wish: run later, after whatever kept the thread busy, it
    // would surprise more than it helps.
    if (TOperationGuard::Running()) return TKeyOutcome::None;
    const TOperationGuard operation;
    FAway = false; // keys come from the game's active window
    const int action = FKeyMap.Find(key);
    if (action >= 0) FBetween.KeyCame();
    if (action == ActionEnd) {
        CloseForExit();
        return TKeyOutcome::EndGame;
    }
    // After the game's end (or its last window) no key but the exit key acts.
    if (FGameState != TGameState::Running) return TKeyOutcome::None;
    switch (action) {
    case ActionOn: Toggle(); break;
    case ActionPrev: Prev(); break;
    case ActionNext: Next(); break;
    case ActionPause: PauseResume(); break;
    case ActionShuffle: SetShuffle(!FOrder.Shuffle()); break;
    case ActionVolumeUp: ChangeVolume(true); break;
    case ActionVolumeDown: ChangeVolume(false); break;
    case ActionSeekForward: Seek(SeekStepMs); break;
    case ActionSeekBack: Seek(-SeekStepMs); break;
    case ActionShow: ShowWhere(); break;
    case ActionMute: ToggleMute(); break;
    default: break;
    }
    return TKeyOutcome::None;
}

void TMp3Player::ChangeVolume(bool up) {
    FVolume.Step(up);
    if (FTrack) FTrack->SetVolume(FVolume.Target(FTrack->Gain()));
    ShowText(FVolume.Line());
}

void TMp3Player::ToggleMute() {
    FVolume.ToggleMute();
    if (FTrack) FTrack->SetVolume(FVolume.Target(FTrack->Gain()));
    ShowText(FVolume.Line());
}

void TMp3Player::Seek(std::int32_t deltaMs) {
    if (!FTrack) return;
    const TMciMode mode = FTrack->Mode();
    if (mode != mmPlaying && mode != mmPaused) return;
    const std::int64_t position = FTrack->PositionMs();
    const std::int32_t target = static_cast<std::int32_t>(std::max<std::int64_t>(0, position + deltaMs));
    const std::int32_t length = FTrack->LengthMs();
    if (length > 0 && target >= length) {
        // Past the end: the track ends as it would have ended by itself.
        FTrack->Stop();
        TrackEnded(*FTrack);
        return;
    }
    const bool paused = mode == mmPaused;
    FTrack->MoveTo(target, paused);
    ShowTrackLine(WhereLine(paused, FTrack->Title(), target / 1000, FTrack->Length()));
}

void TMp3Player::ShowWhere() {
    if (!FTrack) {
        ShowText(StatusStopped);
        return;
    }
    const bool paused = FTrack->Mode() == mmPaused;
    ShowTrackLine(WhereLine(paused, FTrack->Title(), FTrack->PositionMs() / 1000, FTrack->Length()));
}

void TMp3Player::FocusLost() { ChangeFocus(FocusLostArg); }

void TMp3Player::FocusRegained(bool resumePausedByFocus) {
    ChangeFocus(resumePausedByFocus ? FocusBackArg : FocusClickArg);
}

void TMp3Player::ChangeFocus(std::uintptr_t change) {
    // A click activation matters only to a game whose windows are gone: elsewhere it
    // leaves everything, a waiting focus change too, as it is.
    if (change == FocusClickArg && FGameState != TGameState::WindowsGone) return;
    if (TOperationGuard::Running()) {
        // Only the latest change counts once the running operation is over.
        TOperationGuard::Defer(&TMp3Player::DeferredFocus, this, change);
        return;
    }
    const TOperationGuard operation;
    // Away or back, whatever window it was: a new window's activation is the game back.
    if (change != FocusClickArg) FAway = change == FocusLostArg;
    if (FGameState != TGameState::Running) {
        if (FGameState == TGameState::WindowsGone && change != FocusLostArg)
            ReopenSuspended(change == FocusBackArg);
        return;
    }
    const bool regained = change != FocusLostArg;
    FBetween.FocusChanged(!regained);
    if (PauseWhileAway()) {
        Tell(false, true);
    } else if (regained && FTrack && FTrack->Mode() == mmPaused && FPausedByFocus) {
        FTrack->Resume();
        FPausedByFocus = false;
    }
}

bool TMp3Player::PauseWhileAway() {
    // After the game's end came inside the play, its device hears nothing more.
    if (Interrupted() || !FAway || !FTrack || FTrack->Mode() != mmPlaying) return false;
    FTrack->Pause();
    FPausedByFocus = true;
    return true;
}

void TMp3Player::DeferredFocus(void* player, std::uintptr_t change) noexcept {
    try {
        static_cast<TMp3Player*>(player)->ChangeFocus(change);
    } catch (...) {
        // As in the activation hook: a device that cannot report its mode stays as it is.
    }
}

bool TMp3Player::StartRemembered() {
    const std::optional<TRememberedTrack::TStart> start = FRemembered.Take();
    if (!start) return false;
    FIndex = start->Index;
    FOrder.SetShuffle(start->Shuffle, start->Index, FreshSeed());
    if (StartCurrent(start->PositionMs, false))
        ShowTrackLine(WhereLine(false, FTrack->Title(), FLastPositionMs / 1000, FTrack->Length()));
    Tell(false, false);
    return true;
}

void TMp3Player::AutoStart(bool gameActive) noexcept {
    if (TOperationGuard::Running()) {
        TOperationGuard::Defer(&TMp3Player::DeferredAutoStart, this, gameActive);
        return;
    }
    const TOperationGuard operation;
    if (FGameState != TGameState::Running || FActive || FWantOn) return;
    FAway = !gameActive;
    try {
        Toggle();
        PauseWhileAway();
    } catch (...) {
        // A first track that cannot start leaves the player on, as the on key would.
    }
}

void TMp3Player::DeferredAutoStart(void* player, std::uintptr_t gameActive) noexcept {
    static_cast<TMp3Player*>(player)->AutoStart(gameActive != 0);
}

void TMp3Player::Tell(bool gameEnding, bool askPosition) noexcept {
    if (!FWatcher) return;
    try {
        TPlayerReport report;
        if (FTrack && askPosition) {
            try {
                const TMciMode mode = FTrack->Mode();
                if (mode == mmPlaying || mode == mmPaused) FLastPositionMs = FTrack->PositionMs();
            } catch (...) {
                // A device that cannot say where it is keeps the position known before.
            }
        }
        report.Path = FLastPath;
        report.PositionMs = FLastPositionMs;
        report.Shuffle = FOrder.Shuffle();
        if (FTrack && FActive && !gameEnding) report.NowPlaying = FTrack->Title();
        FWatcher->PlayerChanged(report, gameEnding);
    } catch (...) {
        // Out of memory: the files stay as they were; the player goes on.
    }
}
