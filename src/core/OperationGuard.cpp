#include "core/OperationGuard.h"

#include <array>
#include <cstddef>

namespace {

struct TDeferred {
    TOperationGuard::TDeferredRoutine Routine = nullptr;
    void* Context = nullptr;
    std::uintptr_t Argument = 0;
};

// The ends of tracks, focus changes, the scan's news and the game's end, in the order
// they came: an operation seldom sees more than three of them arrive.
std::array<TDeferred, 16> Waiting;
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
    const auto sameKind = [&](const TDeferred& waiting) { return waiting.Routine == routine && waiting.Context == context; };
    if (WaitingCount > 0 && sameKind(Waiting[WaitingCount - 1])) {
        Waiting[WaitingCount - 1].Argument = argument;
        return;
    }
    if (WaitingCount < Waiting.size()) {
        Waiting[WaitingCount++] = {routine, context, argument};
        return;
    }
    for (std::size_t i = WaitingCount; i-- > 0;) {
        if (sameKind(Waiting[i])) {
            Waiting[i].Argument = argument;
            return;
        }
    }
}

void TOperationGuard::Forget(const void* context) noexcept {
    for (std::size_t i = WaitingCount; i-- > 0;)
        if (Waiting[i].Context == context) RemoveAt(i);
}
