#include "player/Mp3Player.h"

#include <windows.h>

#include "core/StatusText.h"
#include "host/HostApi.h"
#include "media/qrvMP3.h"
#include "win32/FileTests.h"

namespace {
TRandomGenerator Random;
} // namespace

TRandomGenerator& PlayerRandom() noexcept { return Random; }

void ReseedPlayerRandom() noexcept {
    LARGE_INTEGER counter;
    if (QueryPerformanceCounter(&counter))
        Random.Reseed(static_cast<std::uint32_t>(counter.QuadPart));
    else
        Random.Reseed(GetTickCount());
}

void Mp3PlayerInitialize() noexcept { Random.Reseed(0); }

void Mp3PlayerFinalize() noexcept {}

TMp3Player::TMp3Player() = default;

TMp3Player::~TMp3Player() {
    FPlaylist.clear();
    FTrack.reset();
}

void TMp3Player::Next() {
    if (!FActive) return;
    if (FShuffle) {
        FIndex = Random.Draw(Count());
    } else if (++FIndex >= Count()) {
        FIndex = 0;
    }
    PlayCurrent();
}

void TMp3Player::Prev() {
    if (!FActive) return;
    if (FShuffle) {
        FIndex = Random.Draw(Count());
    } else if (--FIndex < 0) {
        FIndex = Count() - 1;
    }
    PlayCurrent();
}

void TMp3Player::Toggle() {
    FActive = !FActive && Count() > 0;
    if (FActive)
        Next();
    else
        Stop();
}

void TMp3Player::PauseResume() {
    if (!FTrack) return;
    switch (FTrack->Mode()) {
    case mmPaused:
        FTrack->Resume();
        ShowText(ResumeLine(FTrack->Title()));
        break;
    case mmPlaying:
        FTrack->Pause();
        ShowText(StatusPaused);
        break;
    default:
        break;
    }
}

void TMp3Player::SetShuffle(bool Value) {
    FShuffle = Value;
    ShowText(Value ? StatusShuffleOn : StatusShuffleOff);
    ReseedPlayerRandom();
}

void TMp3Player::Stop() {
    if (!FTrack) return;
    FTrack->Stop();
    FTrack.reset();
    ShowText(StatusStopped);
}

void TMp3Player::CloseForExit() noexcept {
    if (!FTrack) return;
    try {
        FTrack->Stop();
    } catch (...) {
        // A device that refuses to stop ends with the process all the same.
    }
}

void TMp3Player::PlayCurrent() {
    if (FTrack) Stop();
    const std::string& path = Entry(FIndex);
    if (!IsExistingFile(path)) return;
    FTrack = std::make_unique<TqrvMP3>(path);
    FTrack->FOnEnd = [this](TqrvMP3& sender) { TrackEnded(sender); };
    FTrack->Play();
    ShowText(PlayLine(FTrack->Title(), FTrack->Length()));
}

void TMp3Player::ShowText(std::string_view Line) { HostShowLine(Line); }

void TMp3Player::TrackEnded(TqrvMP3& /*Sender*/) { Next(); }
