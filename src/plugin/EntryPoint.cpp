#include "plugin/EntryPoint.h"

#include <new>

#include "core/Errors.h"
#include "plugin/LibraryLoad.h"
#include "win32/ModuleInstance.h"
#include "win32/SystemErrorText.h"

namespace {

void LoadAndPin() {
    LibraryLoad();
    // From here on the code stays mapped until the process ends: a FreeLibrary from
    // the game's loader or from any other thread leaves the hooks, the notification
    // window and a playing track working, instead of leaving Windows to call into
    // code that is gone.
    if (!PinThisModule())
        throw Exception("Cannot keep the plug-in loaded. " + SystemErrorText(GetLastError()));
}

} // namespace

BOOL AttachLibrary(TLoadFailureReporter report) noexcept {
    try {
        LoadAndPin();
        return TRUE;
    } catch (const Exception& error) {
        report(error.ClassName(), error.Message(), error.Address());
    } catch (const std::bad_alloc&) {
        report("EOutOfMemory", "Out of memory", nullptr);
    } catch (const std::exception& error) {
        report("Exception", error.what(), nullptr);
    } catch (...) {
        report("Exception", "Unknown error", nullptr);
    }
    // Undo the attach completely: the player made before the error is freed here,
    // once, and a process detach that may follow finds nothing left to free.
    LibraryDetach(false);
    return FALSE;
}

void HandleLoaderCall(DWORD reason, bool processEnding) noexcept {
    if (reason == DLL_PROCESS_DETACH) LibraryDetach(processEnding);
}
