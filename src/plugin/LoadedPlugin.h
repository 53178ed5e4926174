// Everything one successful load of the plug-in owns. Its members are made in the
// start-up order (host binding, window class, player, the scan, hooks) and released in
// reverse: the hooks go first, so no hook reaches a player that is gone. The load wires
// the session's parts so that calls run one way: the player reports to the session
// files, the autostart asks the player.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/HostApi.h"
#include "media/NotifyWindow.h"
#include "player/Mp3Player.h"
#include "plugin/AutoStart.h"
#include "plugin/BackgroundScan.h"
#include "plugin/ConfigTextPass.h"
#include "plugin/Hooks.h"
#include "plugin/SessionFiles.h"

class TLoadedPlugin {
public:
    // Binds the game's text routine, registers the notification window class, reads
    // the configuration (no player without a configuration file) and installs the
    // hooks on the calling thread. Raises EInOutError when the configuration file
    // cannot be read; nothing is left behind then.
    TLoadedPlugin();
    ~TLoadedPlugin();
    TLoadedPlugin(const TLoadedPlugin&) = delete;
    TLoadedPlugin& operator=(const TLoadedPlugin&) = delete;

    TMp3Player* PlayerOrNull() const noexcept { return FPlayer.get(); }
    // Starts reading the library forms beside the game; where no thread can be
    // started, reads them here and now.
    void StartScan();

private:
    THostBinding FHost;
    TNotifyWindowClass FWindowClass;
    // The playlist lines left to the scan, until it is made.
    std::vector<TPlaylistLine> FLaterLines;
    // The resume and now-playing files, none without them: made after the player, and
    // released after it, so the player never reports to files that are gone.
    std::unique_ptr<TSessionFiles> FSession;
    std::unique_ptr<TMp3Player> FPlayer;
    std::unique_ptr<TAutoStart> FAutoStart;
    // Made before the hooks (its window's making then passes through none of them) and
    // destroyed after them: a scan still running is stopped before the player goes.
    std::unique_ptr<TBackgroundScan> FScan;
    THooks FHooks;
};
