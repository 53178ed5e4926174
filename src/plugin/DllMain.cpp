// The plug-in's entry point. The loader attaches it on the game thread that owns the
// game window; no C++ exception ever leaves this function.
#include "plugin/EntryPoint.h"
#include "plugin/LoadFailure.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) noexcept {
    if (reason == DLL_PROCESS_ATTACH) return AttachLibrary(&ShowLoadFailure);
    // At process detach the reserved argument is set when the process is ending.
    HandleLoaderCall(reason, reserved != nullptr);
    return TRUE;
}
