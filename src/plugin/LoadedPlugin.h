// Everything one successful load of the plug-in owns. Its members are made in the
// start-up order (host binding, window class, player, hooks) and released in reverse:
// the hooks go first, so no hook reaches a player that is gone.
#pragma once

#include <memory>

#include "host/HostApi.h"
#include "media/NotifyWindow.h"
#include "player/Mp3Player.h"
#include "plugin/Hooks.h"

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

private:
    THostBinding FHost;
    TNotifyWindowClass FWindowClass;
    std::unique_ptr<TMp3Player> FPlayer;
    THooks FHooks;
};
