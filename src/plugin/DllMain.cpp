// The plug-in's entry point. The loader attaches it on the game thread that owns the
// game window; no C++ exception ever leaves this function.
#include "plugin/EntryPoint.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) noexcept {
    if (reason == DLL_PROCESS_ATTACH) return AttachLibrary();
    HandleLoaderCall(reason);
    return TRUE;
}
