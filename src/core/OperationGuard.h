// Marks the host thread as busy with one operation of the player and its devices: a
// key, a focus change, the end of a track or the game's end, from the hook or window
// procedure that Windows called down to the last MCI command it sends.
//
// A driver (DirectShow builds its graph inside MCI_OPEN) or the game's text routine
// may pump messages while such an operation runs. Whatever that pump delivers must not
// run a second operation nested inside the first: a nested end of a track would free
// the device whose command is still on the stack. Such work is deferred instead and
// runs, in the order it came, when the outermost operation is over.
//
// The host thread only: the ticker's workers never come here.
#pragma once

#include <cstdint>

class TOperationGuard {
public:
    // Deferred work: noexcept, it runs inside the guard's destructor.
    using TDeferredRoutine = void (*)(void* context, std::uintptr_t argument) noexcept;

    TOperationGuard() noexcept { ++Depth; }
    // The outermost guard runs the deferred work, each routine as an operation of its
    // own, until none is left.
    ~TOperationGuard();
    TOperationGuard(const TOperationGuard&) = delete;
    TOperationGuard& operator=(const TOperationGuard&) = delete;

    // True while an operation is on the stack of the host thread.
    static bool Running() noexcept { return Depth > 0; }
    // Runs routine(context, argument) once the outermost operation is over, after the
    // requests that came before it. A request for the same routine and context as the
    // last one waiting takes its place with the new argument (of focus changes in a
    // row, the latest wins). There is room for a few requests; when it is full, the
    // latest waiting request for the same routine and context takes the new argument,
    // and a request of a kind not waiting is dropped.
    static void Defer(TDeferredRoutine routine, void* context, std::uintptr_t argument) noexcept;
    // The object context is going away: its waiting requests are withdrawn.
    static void Forget(const void* context) noexcept;

private:
    static inline int Depth = 0;
};
