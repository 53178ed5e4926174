// A test build of the plug-in whose tracks run the progress ticker: the real plug-in,
// plus a progress handler on every track. The stand-in game never drains the ticks, so
// each worker waits on a hand-over for as long as its track plays.
#include "player/Mp3Player.h"
#include "plugin/EntryPoint.h"
#include "plugin/LibraryLoad.h"
#include "plugin/LoadFailure.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) noexcept {
    if (reason == DLL_PROCESS_ATTACH) {
        if (!AttachLibrary(&ShowLoadFailure)) return FALSE;
        if (Player != nullptr) Player->SetTrackProgress([](TqrvMP3&, std::int32_t) {});
        return TRUE;
    }
    HandleLoaderCall(reason, reserved != nullptr);
    return TRUE;
}
