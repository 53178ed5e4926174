// What the player tells an observer whenever its track, pause, shuffle or switch changes,
// so that it can be kept outside the game (a file for the next session, a now-playing
// file for other programs).
#pragma once

#include <cstdint>
#include <string>

struct TPlayerReport {
    // The full path of the track last played (empty before the first), where it was.
    std::wstring Path;
    std::int32_t PositionMs = 0;
    bool Shuffle = false;
    // The title as the status line shows it, while a track plays or is paused; empty
    // when the player is off or the game is ending.
    std::wstring NowPlaying;
};

class TPlayerWatcher {
public:
    // On the game thread, inside the player's operation. gameEnding: the game is ending
    // (its quit, its last window, the exit key) and its device is about to close: the
    // report must be kept before this returns.
    virtual void PlayerChanged(const TPlayerReport& report, bool gameEnding) noexcept = 0;

protected:
    ~TPlayerWatcher() = default;
};
