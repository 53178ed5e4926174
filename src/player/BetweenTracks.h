// What happens between two tracks with "[player] gapless=yes" or "crossfade=N": while a
// track plays, the entry that comes next is made ready (its device created, opened and
// given its volume, not playing), and its play is the first thing sent at the current
// track's end. With a crossfade, N seconds before that end the ready track starts at
// volume 0 and rises to its own volume while the current one falls to 0, in steps of a
// timer of this part's window on the game thread; then the old device is closed.
// Without either setting this part makes no window and does nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "media/NotifyWindow.h"
#include "media/qrvMP3.h"
#include "player/TrackVolume.h"

// What the part asks of the player.
class TTrackSource {
public:
    // The entry that the next change will play (a shuffle draw made at most once: that
    // change takes the same pick); -1 while no entry should be ready (the player off or
    // without a track, the game ending).
    virtual std::int32_t PeekNextEntry() = 0;
    // A device object for an entry (the playlist only grows: an index names one file for
    // good) with the player's handlers and the volume it plays at; none when the entry
    // is the current track's own file (its device holds it until it closes) or when the
    // game's end came while its length was measured. Raises as TqrvMP3 does.
    virtual std::unique_ptr<TqrvMP3> MakeTrack(std::int32_t index) = 0;
    // The current track, or none.
    virtual TqrvMP3* CurrentTrack() const noexcept = 0;
    // Moves on to the next entry as its key would, except that the current track goes
    // to fading, still playing, instead of stopping: "Play>" without "Stopped>".
    virtual void MoveOnFading(std::unique_ptr<TqrvMP3>& fading) = 0;

protected:
    ~TTrackSource() = default;
};

struct TBetweenSettings {
    bool Gapless = false;
    // Whole seconds, 1 to 10 (anything else: no crossfade); a crossfade implies gapless.
    std::int32_t CrossfadeSeconds = 0;
};

class TBetweenTracks final : private TNotifyTarget {
public:
    // volume: the player's, which tells each track's device its volume.
    TBetweenTracks(TTrackSource& source, const TTrackVolume& volume) noexcept
        : FSource(source), FVolume(volume) {}
    // Frees its devices and its window; sends no MCI command (as the player's own end).
    ~TBetweenTracks();
    TBetweenTracks(const TBetweenTracks&) = delete;
    TBetweenTracks& operator=(const TBetweenTracks&) = delete;

    // On the game thread, before the first track. Raises when its window cannot be made.
    void Configure(const TBetweenSettings& settings);

    // What the player tells it, on the game thread, inside its operations.

    // A track has started (playing or paused): the next entry is made ready once the
    // game's loop runs again, not inside the operation that started it, and the track's
    // natural end will start that entry first.
    void TrackStarted() noexcept;
    // The device for entry index when that is the ready entry, with the volume the
    // player gives a new device (0 at a crossfade's start); else none, and a ready
    // device of another entry is closed first.
    std::unique_ptr<TqrvMP3> TakeReady(std::int32_t index) noexcept;
    // A hot key, before its action: a crossfade ends at once (its fading track closed,
    // the new one at its own volume), so the key acts on the new track alone.
    void KeyCame() noexcept;
    // The game went to the background (lost) or came back: a loss ends a crossfade as a
    // key does and closes the ready device; the return makes the next entry ready again.
    void FocusChanged(bool lost) noexcept;
    // The player goes off or the game ends: every device of this part is stopped and
    // closed, whatever MCI answers, and nothing is made ready until the next start.
    void Close() noexcept;

private:
    // The current track is ending by itself, its device not yet closed: the ready
    // device, when it holds the entry that comes next, plays now, before anything else
    // of the change.
    static void TrackEnding(void* self, TqrvMP3& device) noexcept;
    void ReadyPlaysFirst(TqrvMP3& device) noexcept;
    void RequestReady() noexcept;
    void Prepare();
    void CloseReady() noexcept;
    // What the player's volume gives a track's device before its play.
    std::optional<std::uint32_t> VolumeOf(const TqrvMP3& track) const noexcept;
    // The ready device's volume brought to what the player would give it now.
    void SyncReadyVolume() noexcept;
    // The crossfade's start when its time has come, else the timer set for that time.
    void CheckStart();
    void StartFade(std::uint32_t lengthMs);
    void Step() noexcept;
    // The crossfade is over, or cut short: the fading device closed, the new one at its
    // own volume.
    void EndFade() noexcept;
    bool TooShortToFade(const TqrvMP3& track) const noexcept;
    // The work of the window's messages, as an operation: a crossfade's step, the
    // preparation asked for, or a look at the crossfade's start.
    static void Run(void* self, std::uintptr_t) noexcept;
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept override;

    TTrackSource& FSource;
    const TTrackVolume& FVolume;
    bool FGapless = false;
    std::int32_t FFadeMs = 0;
    std::unique_ptr<TNotifyWindow> FWindow;
    // The next entry's device, opened and not playing.
    std::unique_ptr<TqrvMP3> FReady;
    std::int32_t FReadyIndex = -1;
    std::optional<std::uint32_t> FReadyVolume;
    // A track started since the last preparation, and nothing closed this part since.
    bool FWantReady = false;
    // A crossfade: the old track falling, the player's new current track rising.
    bool FStartingFade = false;
    std::unique_ptr<TqrvMP3> FFading;
    TqrvMP3* FRising = nullptr;
    DWORD FFadeStart = 0;
    std::uint32_t FFadeLength = 0;
    std::uint32_t FFadeFrom = 0, FFadeTo = 0;
    std::uint32_t FSentFading = 0, FSentRising = 0;
};
