// A test build of the plug-in on a slow disk: the real plug-in, whose library scan waits
// 400 ms before each folder or list it reads, as a spinning disk or a network share
// would make it wait.
#include "plugin/EntryPoint.h"
#include "plugin/LibraryScan.h"
#include "plugin/LoadFailure.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) noexcept {
    if (reason == DLL_PROCESS_ATTACH) {
        LibraryScanStep = [] { Sleep(400); };
        return AttachLibrary(&ShowLoadFailure);
    }
    HandleLoaderCall(reason, reserved != nullptr);
    return TRUE;
}
