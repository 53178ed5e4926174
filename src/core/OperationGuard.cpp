#include "core/OperationGuard.h"

#include <array>
#include <cstddef>

namespace {

struct TDeferred {
    TOperationGuard::TDeferredRoutine Routine = nullptr;
    void* Context = nullptr;
    std::uintptr_t Argument = 0;
};

// One end of a track, one focus change and the game's end are all the kinds there are;
// the rest is room for devices whose end came while an older one was still waiting.
std::array<TDeferred, 8> Waiting;
std::size_t WaitingCount = 0;
bool Draining = false;

void RemoveAt(std::size_t index) noexcept {
    for (std::size_t i = index + 1; i < WaitingCount; ++i) Waiting[i - 1] = Waiting[i];
    Waiting[--WaitingCount] = {};
}

} // namespace

TOperationGuard::~TOperationGuard() {
    if (--Depth > 0 || Draining) return;
    // Each routine takes a guard of its own; what it defers in turn joins the queue.
    Draining = true;
    while (WaitingCount > 0) {
        const TDeferred next = Waiting[0];
        RemoveAt(0);
        next.Routine(next.Context, next.Argument);
    }
    Draining = false;
}

void TOperationGuard::Defer(TDeferredRoutine routine, void* context, std::uintptr_t argument) noexcept {
    for (std::size_t i = 0; i < WaitingCount; ++i) {
        if (Waiting[i].Routine == routine && Waiting[i].Context == context) {
            Waiting[i].Argument = argument;
            return;
        }
    }
    if (WaitingCount < Waiting.size()) Waiting[WaitingCount++] = {routine, context, argument};
}

void TOperationGuard::Forget(const void* context) noexcept {
    for (std::size_t i = WaitingCount; i-- > 0;)
        if (Waiting[i].Context == context) RemoveAt(i);
}
