#include "plugin/LibraryLoad.h"

#include <windows.h>

#include "core/GainedVolume.h"
#include "core/ManualLifetime.h"
#include "media/ProgressThread.h"
#include "plugin/ConfigTextPass.h"
#include "plugin/KeyReader.h"
#include "plugin/LoadedPlugin.h"
#include "win32/FileTests.h"

TMp3Player* Player = nullptr;

namespace {

TManualLifetime<TLoadedPlugin> LoadedPlugin;

std::uint16_t ReadKey(const TKeyReader& keys, const char* name, std::uint16_t defaultValue) {
    return keys.ReadHotKey(KeysSection, name, defaultValue);
}

} // namespace

std::unique_ptr<TMp3Player> ReadPlayer(const THostBinding& host, std::vector<TPlaylistLine>* later) {
    if (!IsExistingFile(ConfigFileName)) return nullptr;
    THotKeys hotKeys;
    bool titlesFromTags = false;
    TBetweenSettings between;
    bool shuffleRounds = false;
    TLoudnessSetting loudness;
    {
        const TKeyReader keys(ConfigFileName);
        // In the order the keys are read.
        hotKeys.On = ReadKey(keys, "key_on", VK_F5);
        hotKeys.Next = ReadKey(keys, "key_next", VK_F6);
        hotKeys.Prev = ReadKey(keys, "key_prev", VK_F7);
        hotKeys.Pause = ReadKey(keys, "key_pause", VK_F8);
        hotKeys.Shuffle = ReadKey(keys, "key_shuffle", VK_F9);
        hotKeys.End = ReadKey(keys, "key_end", VK_END);
        // Optional: a missing or unreadable value is no key.
        hotKeys.VolumeUp = ReadKey(keys, "key_volup", 0);
        hotKeys.VolumeDown = ReadKey(keys, "key_voldown", 0);
        hotKeys.SeekForward = ReadKey(keys, "key_seekfwd", 0);
        hotKeys.SeekBack = ReadKey(keys, "key_seekback", 0);
        hotKeys.Show = ReadKey(keys, "key_show", 0);
        hotKeys.Mute = ReadKey(keys, "key_mute", 0);
        hotKeys.PassToGame = !keys.ValueIs(KeysSection, "pass_hot_keys", "no");
        titlesFromTags = keys.ValueIs("display", "titles", "tags");
        between.Gapless = keys.ValueIs("player", "gapless", "yes");
        between.CrossfadeSeconds = keys.ReadDigits("player", "crossfade");
        shuffleRounds = keys.ValueIs("player", "shuffle", "tracks");
        loudness.Mode = keys.ValueIs("player", "loudness", "track")   ? TLoudness::Track
                        : keys.ValueIs("player", "loudness", "album") ? TLoudness::Album
                                                                      : TLoudness::Off;
        loudness.PreampDb = PreampOfText(keys.Value("player", "loudness_preamp"));
    }
    auto player = std::make_unique<TMp3Player>(host, hotKeys);
    player->SetTitlesFromTags(titlesFromTags);
    player->SetShuffleRounds(shuffleRounds);
    player->SetLoudness(loudness);
    player->SetBetweenTracks(between);
    std::vector<std::wstring> playlist;
    ScanPlaylist(ConfigFileName, playlist, {}, later);
    player->Append(std::move(playlist));
    return player;
}

namespace {

// The scan of the lines left to it, if any.
std::unique_ptr<TBackgroundScan> MakeScan(TMp3Player* player, std::vector<TPlaylistLine>& lines) {
    if (player == nullptr || lines.empty()) return nullptr;
    return std::make_unique<TBackgroundScan>(*player, std::exchange(lines, {}));
}

} // namespace

TLoadedPlugin::TLoadedPlugin() : FPlayer(ReadPlayer(FHost, &FLaterLines)), FScan(MakeScan(FPlayer.get(), FLaterLines)) {
    if (!FPlayer) return;
    TSessionSettings session = ReadSessionSettings(ConfigFileName);
    if (!session.ResumePath.empty() || !session.NowPlayingPath.empty()) {
        FSession = std::make_unique<TSessionFiles>(std::move(session.ResumePath), std::move(session.NowPlayingPath));
        if (const auto state = FSession->RememberedState()) FPlayer->Remembered().Set(*state);
        FPlayer->SetWatcher(FSession.get());
    }
    if (session.AutoStart) FAutoStart = std::make_unique<TAutoStart>(*FPlayer);
}

TLoadedPlugin::~TLoadedPlugin() = default;

void TLoadedPlugin::StartScan() {
    // Without a thread, the rest is read here and now, as it always was.
    if (FScan && !FScan->Start()) FScan->RunHere();
}

void LibraryLoad() {
    LibraryDetach(false);
    TqrvProgressThread::SetOwnerThread();
    Player = LoadedPlugin.Emplace().PlayerOrNull();
}

void LibraryStartScan() {
    if (LoadedPlugin) LoadedPlugin->StartScan();
}

void LibraryDetach(bool processEnding) noexcept {
    Player = nullptr;
    if (processEnding) {
        // The process is ending: its other threads died wherever they were, perhaps
        // inside the heap or the window manager, holding their locks. Releasing the
        // hooks, the window class or even memory could wait forever on such a lock, so
        // nothing is released: the system takes it all back. (The music was closed
        // before, when the game's loop ended or its last window went; a game that ends
        // its process without either leaves the device to the system.)
        TqrvProgressThread::AbandonAll();
        LoadedPlugin.Abandon();
        return;
    }
    LoadedPlugin.Reset();
    TqrvProgressThread::EndAll();
}
