// Deferred work of the host thread's operations: nothing runs nested, everything runs
// once the outermost operation is over, in order.
#include <gtest/gtest.h>

#include <string>

#include "core/OperationGuard.h"

namespace {

std::string Log;

void Append(void* context, std::uintptr_t argument) noexcept {
    Log += *static_cast<const char*>(context);
    Log += static_cast<char>('0' + argument);
}

// Runs an operation of its own that defers another piece of work.
void DeferAgain(void* context, std::uintptr_t) noexcept {
    const TOperationGuard operation;
    Log += "+";
    TOperationGuard::Defer(&Append, context, 9);
}

char A = 'a', B = 'b', C = 'c';

TEST(OperationGuard, DeferredWorkRunsWhenTheOutermostOperationEndsInOrder) {
    Log.clear();
    EXPECT_FALSE(TOperationGuard::Running());
    {
        const TOperationGuard outer;
        {
            const TOperationGuard nested;
            EXPECT_TRUE(TOperationGuard::Running());
            TOperationGuard::Defer(&Append, &A, 1);
            TOperationGuard::Defer(&Append, &B, 1);
            TOperationGuard::Defer(&Append, &B, 2);
        }
        EXPECT_EQ(Log, "") << "a nested operation's end runs nothing";
        TOperationGuard::Defer(&Append, &A, 2);
    }
    EXPECT_FALSE(TOperationGuard::Running());
    EXPECT_EQ(Log, "a1b2a2") << "in the order they came; of requests of one kind in a row, the latest";
}

TEST(OperationGuard, WorkDeferredByDeferredWorkRunsTooAndForgottenWorkNever) {
    Log.clear();
    {
        const TOperationGuard operation;
        TOperationGuard::Defer(&DeferAgain, &C, 0);
        TOperationGuard::Defer(&Append, &A, 3);
        TOperationGuard::Defer(&Append, &B, 4);
        TOperationGuard::Forget(&B);
    }
    EXPECT_EQ(Log, "+a3c9");
}

TEST(OperationGuard, RequestsBeyondTheRoomAreDroppedUnlessTheirKindWaits) {
    Log.clear();
    char names[20];
    {
        const TOperationGuard operation;
        for (int i = 0; i < 20; ++i) {
            names[i] = static_cast<char>('A' + i);
            TOperationGuard::Defer(&Append, &names[i], 0);
        }
        TOperationGuard::Defer(&Append, &names[2], 7);
    }
    EXPECT_EQ(Log, "A0B0C7D0E0F0G0H0I0J0K0L0M0N0O0P0") << "when full, a waiting request of the kind takes a new one";
}

} // namespace
