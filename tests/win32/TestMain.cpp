#include <gtest/gtest.h>

#include "media/ProgressThread.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The test's main thread stands for the game thread that loaded the plug-in.
    TqrvProgressThread::SetOwnerThread();
    return RUN_ALL_TESTS();
}
