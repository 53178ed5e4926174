#include "plugin/EntryPoint.h"

#include <new>

#include "core/Errors.h"
#include "plugin/LibraryLoad.h"
#include "plugin/LoadFailure.h"
#include "plugin/Modules.h"

TLoadFailureReporter LoadFailureReporter = &ShowLoadFailure;

BOOL AttachLibrary() noexcept {
    InitializeModules();
    try {
        LibraryLoad();
        return TRUE;
    } catch (const Exception& error) {
        LoadFailureReporter(error.ClassName(), error.Message(), error.Address());
    } catch (const std::bad_alloc&) {
        LoadFailureReporter("EOutOfMemory", "Out of memory", nullptr);
    } catch (const std::exception& error) {
        LoadFailureReporter("Exception", error.what(), nullptr);
    } catch (...) {
        LoadFailureReporter("Exception", "Unknown error", nullptr);
    }
    // Undo the attach completely: the player made before the error is freed here,
    // once, and a process detach that may follow finds nothing left to free.
    LibraryDetach(DLL_PROCESS_DETACH);
    FinalizeModules();
    return FALSE;
}

void HandleLoaderCall(DWORD reason) noexcept {
    if (DetachHandler != nullptr) DetachHandler(reason);
    if (reason == DLL_PROCESS_DETACH) FinalizeModules();
}
