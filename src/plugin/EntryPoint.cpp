#include "plugin/EntryPoint.h"

#include <exception>
#include <new>

#include "core/Errors.h"
#include "plugin/LibraryLoad.h"
#include "win32/ModuleInstance.h"
#include "win32/SystemErrorText.h"

namespace {

void LoadAndKeep(TKeepLoaded keepLoaded) {
    LibraryLoad();
    // From here on the code stays mapped until the process ends: a FreeLibrary from
    // the game's loader or from any other thread leaves the hooks, the notification
    // window and a playing track working, instead of leaving Windows to call into
    // code that is gone.
    if (!keepLoaded())
        throw Exception("Cannot keep the plug-in loaded. " + SystemErrorText(GetLastError()));
    // Only a load that stands reads its library beside the game.
    LibraryStartScan();
}

} // namespace

BOOL AttachLibrary(TLoadFailureReporter report, TKeepLoaded keepLoaded) noexcept {
    std::exception_ptr failure;
    try {
        LoadAndKeep(keepLoaded);
        return TRUE;
    } catch (...) {
        failure = std::current_exception();
    }
    // Undo the attach completely before the box is shown: its message loop must find
    // no hook and no player (a hot key there would open MCI under the loader lock).
    // The player made before the error is freed here, once, and a process detach that
    // may follow finds nothing left to free.
    LibraryDetach(false);
    try {
        std::rethrow_exception(failure);
    } catch (const Exception& error) {
        report(error.ClassName(), error.Message(), error.Address());
    } catch (const std::bad_alloc&) {
        report("EOutOfMemory", "Out of memory", nullptr);
    } catch (const std::exception& error) {
        report("Exception", error.what(), nullptr);
    } catch (...) {
        report("Exception", "Unknown error", nullptr);
    }
    return FALSE;
}

void HandleLoaderCall(DWORD reason, bool processEnding) noexcept {
    if (reason == DLL_PROCESS_DETACH) LibraryDetach(processEnding);
}
