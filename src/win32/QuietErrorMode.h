// While it lives, the calling thread's file probes report errors instead of asking the
// user: no "There is no disk in the drive" box for a playlist entry on an empty card
// reader or disc drive (at load, under the loader lock, or inside the keyboard hook,
// where a full-screen game would look hung). The thread's own mode comes back after.
#pragma once

#include <windows.h>

class TQuietErrorMode {
public:
    static constexpr DWORD Quiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;

    TQuietErrorMode() noexcept : FSet(SetThreadErrorMode(Quiet, &FPrevious) != FALSE) {}
    ~TQuietErrorMode() {
        if (FSet) SetThreadErrorMode(FPrevious, nullptr);
    }
    TQuietErrorMode(const TQuietErrorMode&) = delete;
    TQuietErrorMode& operator=(const TQuietErrorMode&) = delete;

private:
    DWORD FPrevious = 0;
    bool FSet;
};
