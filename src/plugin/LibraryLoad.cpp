#include "plugin/LibraryLoad.h"

#include "plugin/ConfigTextPass.h"
#include "plugin/Hooks.h"
#include "plugin/KeyReader.h"
#include "win32/FileTests.h"

std::unique_ptr<TMp3Player> Player;
TDetachHandler DetachHandler = nullptr;

namespace {

struct TKeyBinding {
    const char* Key;
    std::int32_t Default;
    std::uint8_t TMp3Player::*Field;
};

// In the order the keys are read.
constexpr TKeyBinding KeyBindings[] = {
    {"key_on", VK_F5, &TMp3Player::FKeyOn},
    {"key_next", VK_F6, &TMp3Player::FKeyNext},
    {"key_prev", VK_F7, &TMp3Player::FKeyPrev},
    {"key_pause", VK_F8, &TMp3Player::FKeyPause},
    {"key_shuffle", VK_F9, &TMp3Player::FKeyShuffle},
    {"key_end", VK_END, &TMp3Player::FKeyEnd},
};

} // namespace

void LibraryLoad() {
    DetachHandler = &LibraryDetach;
    if (IsExistingFile(ConfigFileName)) {
        const TKeyReader keys(ConfigFileName);
        Player = std::make_unique<TMp3Player>();
        TMp3Player& player = *Player;
        for (const TKeyBinding& binding : KeyBindings)
            player.*binding.Field =
                static_cast<std::uint8_t>(keys.ReadKeyValue(KeysSection, binding.Key, binding.Default) & 0xFF);
        ScanPlaylist(ConfigFileName, [&player](std::string path) { player.Append(std::move(path)); });
    }
    InstallHooks();
}

void LibraryDetach(DWORD reason) noexcept {
    if (reason != DLL_PROCESS_DETACH) return;
    // Hooks first: once the player is gone no hook may reach it, and once the code is
    // gone no hook may be called.
    RemoveHooks();
    std::unique_ptr<TMp3Player> old = std::move(Player);
    old.reset();
}
