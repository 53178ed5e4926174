#include "player/BetweenTracks.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "core/OperationGuard.h"

namespace {

// Posted to the part's window: make the next entry ready.
constexpr UINT PrepareMessage = WM_APP + 1;
// The one timer: the crossfade's start, then its steps.
constexpr UINT_PTR FadeTimer = 1;
constexpr UINT StepMs = 25;
// While the current track is paused, how often its crossfade's start is looked at again.
constexpr UINT PausedPollMs = 500;
// After a key (a seek moves the track), when the crossfade's start is looked at again.
constexpr UINT KeyRecheckMs = 100;
// A timer comes a little late or early: a crossfade starts within this of its time.
constexpr std::int32_t StartSlackMs = 25;
// The end notification can come a little before the end that the length and position
// promise: a crossfade starts this much earlier, so that the old track has fallen to 0
// and closed by then.
constexpr std::int32_t EndMarginMs = 300;
// A device's own volume, which it has before any volume command.
constexpr std::uint32_t FullVolume = 1000;

} // namespace

TBetweenTracks::~TBetweenTracks() { TOperationGuard::Forget(this); }

// Out of line: the volume's question, inlined at each use, only adds weight.
[[gnu::noinline]] std::optional<std::uint32_t> TBetweenTracks::VolumeOf(const TqrvMP3& track) const noexcept {
    return FVolume.BeforePlay(track.Gain());
}

void TBetweenTracks::Configure(const TBetweenSettings& settings) {
    FFadeMs = settings.CrossfadeSeconds >= 1 && settings.CrossfadeSeconds <= 10 ? settings.CrossfadeSeconds * 1000 : 0;
    FGapless = settings.Gapless || FFadeMs > 0;
    if (FGapless && !FWindow) FWindow = std::make_unique<TNotifyWindow>(static_cast<TNotifyTarget&>(*this));
}

void TBetweenTracks::RequestReady() noexcept {
    if (!FWindow) return;
    FWantReady = true;
    PostMessageA(FWindow->Handle(), PrepareMessage, 0, 0);
}

void TBetweenTracks::TrackStarted() noexcept {
    if (!FWindow) return;
    if (TqrvMP3* track = FSource.CurrentTrack()) track->SetOnEnding(&TBetweenTracks::TrackEnding, this);
    // A crossfade's new track: its successor is made ready once the crossfade is over.
    if (!FStartingFade) RequestReady();
}

void TBetweenTracks::Prepare() {
    FWantReady = false;
    const std::int32_t index = FSource.PeekNextEntry();
    if (index < 0) return;
    if (!FReady || index != FReadyIndex) {
        CloseReady();
        std::unique_ptr<TqrvMP3> ready = FSource.MakeTrack(index);
        if (!ready) return;
        ready->Prepare();
        FReady = std::move(ready);
        FReadyIndex = index;
        FReadyVolume = VolumeOf(*FReady);
    }
    CheckStart();
}

void TBetweenTracks::CloseReady() noexcept {
    if (!FReady) return;
    FReady->CloseNow();
    FReady.reset();
}

void TBetweenTracks::SyncReadyVolume() noexcept {
    const std::optional<std::uint32_t> wanted = VolumeOf(*FReady);
    if (wanted == FReadyVolume) return;
    FReady->SetVolume(wanted.value_or(FullVolume));
    FReadyVolume = wanted;
}

std::unique_ptr<TqrvMP3> TBetweenTracks::TakeReady(std::int32_t index) noexcept {
    if (!FReady) return nullptr;
    if (index != FReadyIndex) {
        // Previous in order, shuffle switched, an entry added where the order wraps:
        // this change is made as without the setting.
        CloseReady();
        return nullptr;
    }
    if (FStartingFade)
        FReady->SetVolume(0);
    else
        SyncReadyVolume();
    return std::move(FReady);
}

void TBetweenTracks::TrackEnding(void* self, TqrvMP3& device) noexcept {
    static_cast<TBetweenTracks*>(self)->ReadyPlaysFirst(device);
}

void TBetweenTracks::ReadyPlaysFirst(TqrvMP3& device) noexcept {
    // A crossfade's fading track: the player has moved on already.
    if (&device != FSource.CurrentTrack()) return;
    // The current track ends inside its own crossfade: that one is over.
    EndFade();
    if (!FReady || FSource.PeekNextEntry() != FReadyIndex) return;
    try {
        SyncReadyVolume();
        FReady->Play();
    } catch (...) {
        // It cannot start: the change tries that entry afresh, as without the setting.
        CloseReady();
    }
}

void TBetweenTracks::KeyCame() noexcept {
    if (FFading) {
        EndFade();
        RequestReady();
    } else if (FFadeMs > 0 && FReady) {
        // A seek may have moved the track past its crossfade's start.
        SetTimer(FWindow->Handle(), FadeTimer, KeyRecheckMs, nullptr);
    }
}

void TBetweenTracks::FocusChanged(bool lost) noexcept {
    if (!FWindow) return;
    if (!lost) {
        RequestReady();
        return;
    }
    EndFade();
    FWantReady = false;
    CloseReady();
}

void TBetweenTracks::Close() noexcept {
    FWantReady = false;
    if (FWindow) KillTimer(FWindow->Handle(), FadeTimer);
    // The rising track is the player's, and it may be gone already.
    FRising = nullptr;
    if (FFading) {
        FFading->CloseNow();
        FFading.reset();
    }
    CloseReady();
}

bool TBetweenTracks::TooShortToFade(const TqrvMP3& track) const noexcept {
    return track.LengthMs() < 2 * FFadeMs + 1000;
}

void TBetweenTracks::CheckStart() {
    KillTimer(FWindow->Handle(), FadeTimer);
    if (FFadeMs == 0 || FFading || !FReady) return;
    TqrvMP3* current = FSource.CurrentTrack();
    // A crossfade into or out of a short track would overlap its other one: the change
    // at its end is gapless.
    if (current == nullptr || TooShortToFade(*current) || TooShortToFade(*FReady)) return;
    UINT delay = PausedPollMs;
    if (current->Mode() == mmPlaying) {
        const std::int32_t remaining = current->LengthMs() - current->PositionMs() - EndMarginMs;
        if (remaining <= FFadeMs + StartSlackMs) {
            if (FSource.PeekNextEntry() == FReadyIndex)
                StartFade(static_cast<std::uint32_t>(std::clamp<std::int32_t>(remaining, StepMs, FFadeMs)));
            return;
        }
        delay = static_cast<UINT>(remaining - FFadeMs);
    }
    SetTimer(FWindow->Handle(), FadeTimer, delay, nullptr);
}

void TBetweenTracks::StartFade(std::uint32_t lengthMs) {
    FStartingFade = true;
    FSource.MoveOnFading(FFading);
    FStartingFade = false;
    FRising = FSource.CurrentTrack();
    if (!FFading || !FRising) {
        // Nothing to fade between: the new track did not start, or the game's end came.
        EndFade();
        return;
    }
    FFadeFrom = VolumeOf(*FFading).value_or(FullVolume);
    FFadeTo = VolumeOf(*FRising).value_or(FullVolume);
    FSentFading = FFadeFrom;
    FSentRising = 0;
    FFadeStart = GetTickCount();
    FFadeLength = lengthMs;
    SetTimer(FWindow->Handle(), FadeTimer, StepMs, nullptr);
}

void TBetweenTracks::Step() noexcept {
    const std::uint32_t elapsed = std::min<std::uint32_t>(GetTickCount() - FFadeStart, FFadeLength);
    const std::uint32_t falling = FFadeFrom - FFadeFrom * elapsed / FFadeLength;
    const std::uint32_t rising = FFadeTo * elapsed / FFadeLength;
    if (falling != FSentFading) FFading->SetVolume(FSentFading = falling);
    if (rising != FSentRising) FRising->SetVolume(FSentRising = rising);
    if (elapsed < FFadeLength) return;
    EndFade();
    RequestReady();
}

void TBetweenTracks::EndFade() noexcept {
    if (FWindow) KillTimer(FWindow->Handle(), FadeTimer);
    if (FFading) {
        FFading->CloseNow();
        FFading.reset();
    }
    if (FRising) {
        if (FSentRising != FFadeTo) FRising->SetVolume(FFadeTo);
        FRising = nullptr;
    }
}

void TBetweenTracks::Run(void* self, std::uintptr_t) noexcept {
    auto* part = static_cast<TBetweenTracks*>(self);
    const TOperationGuard operation;
    try {
        if (part->FFading)
            part->Step();
        else if (part->FWantReady)
            part->Prepare();
        else
            part->CheckStart();
    } catch (...) {
        // A device that cannot be made ready or say where it is, a new track that cannot
        // start: its change is made as without the setting, and nothing is left fading.
        part->FStartingFade = false;
        part->EndFade();
    }
}

LRESULT TBetweenTracks::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message != PrepareMessage && (message != WM_TIMER || wParam != FadeTimer))
        return DefWindowProcA(window, message, wParam, lParam);
    // Pumped inside an operation still running: done once it is over.
    if (TOperationGuard::Running())
        TOperationGuard::Defer(&TBetweenTracks::Run, this, 0);
    else
        Run(this, 0);
    return 0;
}
