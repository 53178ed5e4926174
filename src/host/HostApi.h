// The game's on-screen text routine, found at one of two fixed addresses.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/HostAddresses.h"

// The routine of the running game, bound once by its build signature.
class THostBinding {
public:
    // Reads the signature: the first build's routine where it is found, the other
    // build's elsewhere. In a process that is neither build (the signature or the
    // routine is not there) the binding is kept but lines are dropped.
    THostBinding() noexcept;

    // Address of the bound routine.
    std::uintptr_t Routine() const noexcept { return FRoutine; }
    // True when the bound routine can be called.
    bool Available() const noexcept { return FCallable; }

    // Shows one 8-bit line (in the thread's ANSI code page) as UTF-16 through the
    // routine.
    void ShowLine(std::string_view line) const;
    // Shows one UTF-16 line through the routine.
    void ShowLine(std::wstring_view line) const;

private:
    // Passes the zero-terminated text to the routine.
    void Call(const std::wstring& text) const;

    std::uintptr_t FRoutine = 0;
    bool FCallable = false;
};
