// The plug-in's entry point. The loader attaches it on the game thread that owns the
// game window; from there the modules start in a fixed order and the load-time
// sequence runs. No C++ exception ever leaves this function.
#include <windows.h>

#include <new>

#include "core/Errors.h"
#include "plugin/LibraryLoad.h"
#include "plugin/LoadFailure.h"
#include "plugin/Modules.h"

namespace {

// Undoes a failed attach completely, so a detach that may or may not follow finds
// nothing left to free.
void AbandonAttach() noexcept {
    LibraryDetach(DLL_PROCESS_DETACH);
    FinalizeModules();
}

BOOL AttachLibrary() noexcept {
    InitializeModules();
    try {
        LibraryLoad();
        return TRUE;
    } catch (const Exception& error) {
        ShowLoadFailure(error.ClassName(), error.Message(), error.Address());
    } catch (const std::bad_alloc&) {
        ShowLoadFailure("EOutOfMemory", "Out of memory", nullptr);
    } catch (const std::exception& error) {
        ShowLoadFailure("Exception", error.what(), nullptr);
    } catch (...) {
        ShowLoadFailure("Exception", "Unknown error", nullptr);
    }
    AbandonAttach();
    return FALSE;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) noexcept {
    if (reason == DLL_PROCESS_ATTACH) return AttachLibrary();
    if (DetachHandler != nullptr) DetachHandler(reason);
    if (reason == DLL_PROCESS_DETACH) FinalizeModules();
    return TRUE;
}
