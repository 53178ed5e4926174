// The music player: playlist, current entry, on/off and shuffle switches, hot-key
// codes, and the device of the current track.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/KeyMap.h"
#include "core/PlayOrder.h"
#include "media/qrvMP3.h"
#include "player/BetweenTracks.h"
#include "player/PlayerReport.h"
#include "player/RememberedTrack.h"
#include "player/TrackVolume.h"
#include "win32/SlimLock.h"

class THostBinding;

// The hot keys (see core/KeyText.h: a virtual-key code, with the modifiers of a
// combination above it): the six of every configuration, then the optional ones
// (volume, seek, show, mute), for which 0 is no key.
struct THotKeys {
    std::uint16_t On = 0;
    std::uint16_t Next = 0;
    std::uint16_t Prev = 0;
    std::uint16_t Pause = 0;
    std::uint16_t Shuffle = 0;
    std::uint16_t End = 0;
    std::uint16_t VolumeUp = 0;
    std::uint16_t VolumeDown = 0;
    std::uint16_t SeekForward = 0;
    std::uint16_t SeekBack = 0;
    std::uint16_t Show = 0;
    std::uint16_t Mute = 0;
    // False: a press that is a hot key is kept from the game (down, repeats and up).
    bool PassToGame = true;
};

// What a key press asks of the game.
enum class TKeyOutcome : std::uint8_t {
    None,    // not a hot key, or its action is done
    EndGame, // the exit key: the track's device is closed, the game must end now
};

class TMp3Player : private TTrackSource {
public:
    // Status lines go to the game through host; its random generator starts at seed 0.
    explicit TMp3Player(const THostBinding& host, const THotKeys& keys = {});
    // Frees the playlist, then the track object. Sends nothing to MCI, shows nothing.
    virtual ~TMp3Player();
    TMp3Player(const TMp3Player&) = delete;
    TMp3Player& operator=(const TMp3Player&) = delete;

    // The playlist only grows, and may grow on another thread (a library read beside
    // the game): these take its lock for no longer than the call.
    std::int32_t Count() const noexcept {
        const std::lock_guard lock(FPlaylistLock);
        return static_cast<std::int32_t>(FPlaylist.size());
    }
    // A path in the system code page.
    void Append(std::string_view path);
    void Append(std::wstring path) {
        const std::lock_guard lock(FPlaylistLock);
        FPlaylist.push_back(std::move(path));
    }
    void Append(std::vector<std::wstring> paths) {
        const std::lock_guard lock(FPlaylistLock);
        if (FPlaylist.empty())
            FPlaylist = std::move(paths);
        else
            FPlaylist.insert(FPlaylist.end(), std::make_move_iterator(paths.begin()), std::make_move_iterator(paths.end()));
    }
    // The path at index; an index outside 0 .. Count - 1 raises std::out_of_range.
    std::wstring Entry(std::int32_t index) const {
        const std::lock_guard lock(FPlaylistLock);
        return FPlaylist.at(static_cast<std::size_t>(index));
    }

    // The rest of the playlist is being read beside the game: until ScanEnded, the on
    // key pressed while nothing has been found switches the player on with the first
    // entry found, paused by focus if the game is away then (a second press takes it back).
    void ScanStarted() noexcept { FScanning = true; }
    // The first entries have joined the playlist (on the host thread, as an operation).
    void EntriesFound();
    // Nothing more will join the playlist: a switch-on still waiting for an entry is
    // dropped. While an operation runs, this waits until it is over (behind the news of
    // the first entries, if that waits too).
    void ScanEnded() noexcept;
    // The hot keys the player was made with.
    THotKeys Keys() const noexcept { return FKeys; }
    // Which key codes matter, and which of them with modifiers (for the keyboard hook).
    const TKeyMap& KeyMap() const noexcept { return FKeyMap; }

    void Next();
    void Prev();
    void Toggle();
    void PauseResume();
    void SetShuffle(bool Value);
    void Stop();
    void PlayCurrent();
    void ShowText(std::string_view Line);
    void TrackEnded(TqrvMP3& Sender);

    // What the hooks ask of the player. Each is one operation: one that arrives while
    // another still runs on the host thread (through a message pumped inside it) is
    // never run nested inside it; see TOperationGuard.

    // A fresh press of key (no repeat, no peek), with the modifiers held above its
    // code as in THotKeys (none: a bare key only): runs the action bound to it (see
    // TKeyMap::Find), testing the keys in the order on, previous, next, pause, shuffle,
    // exit, volume up, volume down, seek forward, seek back, show, mute. An optional key
    // that equals an earlier one keeps that one's action.
    // A key pressed while another operation runs is dropped.
    TKeyOutcome KeyPressed(std::uint16_t key);
    // The game went to the background: a playing track pauses. While another
    // operation runs, this waits until it is over.
    void FocusLost();
    // The game came back: a track paused by FocusLost, and by nothing since, resumes;
    // a click activation (resumePausedByFocus false) leaves it paused. After the game's
    // windows were all destroyed, this is a new window of the game: the track closed
    // then is opened again where it was. While another operation runs, this waits until
    // it is over.
    void FocusRegained(bool resumePausedByFocus = true);
    // The game is ending (its message loop took WM_QUIT): as CloseForExit, for good.
    // From here on no key but the exit key, no focus change and no end of a track opens
    // a device or shows a line. While another operation runs, this waits until it is
    // over; its effect on what follows is at once.
    void GameEnding() noexcept;
    // The game thread's last top-level window was destroyed: the game may be ending, or
    // it may be replacing its window (a display mode change). The device is closed at
    // once, as for GameEnding; the player remembers that it was on, the track, its
    // position and its pause, for a new window's activation (FocusRegained). Until then
    // it does nothing, as after GameEnding.
    void WindowsGone() noexcept;

    // Stops and closes the current track's device whatever MCI answers, frees the
    // track and switches the player off; shows nothing, raises nothing. (Some
    // platforms fault in their own teardown when a process ends with an MCI device
    // still open.)
    void CloseForExit() noexcept;
    // One volume step up or down, or mute switched (see TTrackVolume): applies to the
    // current track at once and to every later one, and shows the level, on or off.
    void ChangeVolume(bool up);
    void ToggleMute();
    // Moves the current track by deltaMs (not before its start): it plays or stays
    // paused there, and shows where it is. Reaching the end ends the track as its
    // natural end does. Nothing without a current track.
    void Seek(std::int32_t deltaMs);
    // Shows where the current track is, or "Stopped>" without one. Changes nothing.
    void ShowWhere();

    // With on, every track from the next one on is shown by its song's own name from its
    // tags, where they have one (see TqrvMP3::Title); off, by its file name.
    void SetTitlesFromTags(bool on) noexcept { FTitlesFromTags = on; }
    // With on, shuffle plays every entry once a round, and previous walks back.
    void SetShuffleRounds(bool on) noexcept { FOrder.SetRounds(on); }
    // At load: every track plays with its own gain on top of the level (TTrackVolume).
    void SetLoudness(const TLoudnessSetting& setting) noexcept { FVolume = TTrackVolume(setting); }
    // Gapless changes and crossfades (see TBetweenTracks); on the game thread, at load.
    void SetBetweenTracks(const TBetweenSettings& settings) { FBetween.Configure(settings); }

    // Every track from the next one on reports its progress to handler, through a
    // ticker that runs while it plays (for a host or a feature that shows progress).
    void SetTrackProgress(TProgressEvent handler) { FOnTrackProgress = std::move(handler); }

    // Tells watcher (or no one) of every change of track, pause, switch and shuffle,
    // and of the game's end before the device closes. Without a watcher the player asks
    // its device nothing more than it otherwise would.
    void SetWatcher(TPlayerWatcher* watcher) noexcept { FWatcher = watcher; }
    // The track the first switch-on resumes, if any (see TRememberedTrack).
    TRememberedTrack& Remembered() noexcept { return FRemembered; }
    // The player switches on by itself, as the on key would; with gameActive false the
    // track starts paused by focus. Nothing when it is on or a switch-on waits already;
    // a first track that cannot start leaves the player on, as the on key would.
    void AutoStart(bool gameActive) noexcept;

private:
    // How far the game's end has come.
    enum class TGameState : std::uint8_t {
        Running,
        WindowsGone, // no game window: waiting for a new one, or for the quit
        Quit,        // the message loop took WM_QUIT
    };
    // The track as it was when the game's last window went.
    struct TSuspendedTrack {
        std::int32_t PositionMs = 0;
        bool Paused = false;
        bool PausedByFocus = false;
        bool Fresh = false; // no track was open: FIndex starts from its beginning
    };

    const THostBinding& FHost;
    TPlayOrder FOrder;
    std::int32_t FIndex = -1;
    bool FActive = false;
    bool FPausedByFocus = false;
    bool FAway = false; // the game went away, and no key and no plain activation came since
    THotKeys FKeys;
    TKeyMap FKeyMap;
    TTrackVolume FVolume;
    mutable TSlimLock FPlaylistLock;
    std::vector<std::wstring> FPlaylist;
    bool FScanning = false;
    bool FWantOn = false;
    std::unique_ptr<TqrvMP3> FTrack;
    TProgressEvent FOnTrackProgress;
    TGameState FGameState = TGameState::Running;
    bool FTitlesFromTags = false;
    std::optional<TSuspendedTrack> FSuspended;
    TPlayerWatcher* FWatcher = nullptr;
    TRememberedTrack FRemembered{FPlaylist, FPlaylistLock};
    // The track last played and where it was, for the watcher.
    std::wstring FLastPath;
    std::int32_t FLastPositionMs = 0;
    // The next track made ready, the crossfade: after FTrack, so destroyed before it.
    TBetweenTracks FBetween{*this, FVolume};

    // What the between-tracks part asks (see TTrackSource).
    std::int32_t PeekNextEntry() override;
    std::unique_ptr<TqrvMP3> MakeTrack(std::int32_t index) override;
    TqrvMP3* CurrentTrack() const noexcept override { return FTrack.get(); }
    void MoveOnFading(std::unique_ptr<TqrvMP3>& fading) override;

    // Tells the watcher; askPosition: the device is asked where the track is.
    void Tell(bool gameEnding, bool askPosition) noexcept;
    // The first switch-on's remembered track: played, or false (nothing changed).
    bool StartRemembered();
    static void DeferredAutoStart(void* player, std::uintptr_t gameActive) noexcept;

    // Opens the entry at FIndex and plays it from fromMs, paused there when paused.
    // False when the file is gone, or when the game's end came inside (see Interrupted;
    // a device it opened is left to that end's close). A track whose device cannot be
    // opened or started is no current track: it is closed and freed before the error
    // goes on.
    bool StartCurrent(std::int32_t fromMs, bool paused);
    // The game's end, or its last window's, came inside the running operation (through
    // a message pumped by the game's text routine or a driver): the operation stops
    // where it is, and opens or shows nothing more.
    bool Interrupted() const noexcept { return FGameState != TGameState::Running; }
    // A new game window after WindowsGone: the remembered track goes on where it was.
    void ReopenSuspended(bool resumePausedByFocus);
    // Closes the device whatever MCI answers and frees the track.
    void CloseTrack() noexcept;
    // The focus arguments of a deferred change.
    enum : std::uintptr_t { FocusLostArg = 0, FocusBackArg = 1, FocusClickArg = 2 };
    void ChangeFocus(std::uintptr_t change);
    // While the game is away, a playing track pauses by focus; true when it did.
    bool PauseWhileAway();
    // A line that holds the current track's title.
    void ShowTrackLine(std::wstring_view line);
    static void DeferredFocus(void* player, std::uintptr_t regained) noexcept;
    static void DeferredEntriesFound(void* player, std::uintptr_t) noexcept;
    static void DeferredScanEnded(void* player, std::uintptr_t) noexcept;
    static void DeferredGameEnd(void* player, std::uintptr_t windowsOnly) noexcept;
};
