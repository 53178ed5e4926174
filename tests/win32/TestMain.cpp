#include <gtest/gtest.h>

#include <memory>

#include "TestWatchdog.h"
#include "media/MciApi.h"
#include "media/ProgressThread.h"

namespace {

// Names each test to the watchdog as it starts, and what follows it as it ends.
class TWatchdogListener final : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& test) override {
        WatchdogStep(std::string(test.test_suite_name()) + "." + test.name());
    }
    void OnTestEnd(const ::testing::TestInfo& test) override {
        WatchdogStep(std::string("the program, after ") + test.test_suite_name() + "." + test.name());
    }
};

// The system's MCI, each command noted for the watchdog as it is sent and answered.
class TWatchedMci final : public TMciApi {
public:
    TMciApi* Inner = nullptr;
    MCIERROR SendCommand(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) override {
        WatchdogNoteMci(device, message, flags, false);
        const MCIERROR result = Inner->SendCommand(device, message, flags, params);
        WatchdogNoteMci(device, message, flags, true, result);
        return result;
    }
    MCIERROR SendCommandW(MCIDEVICEID device, UINT message, DWORD_PTR flags, DWORD_PTR params) override {
        WatchdogNoteMci(device, message, flags, false);
        const MCIERROR result = Inner->SendCommandW(device, message, flags, params);
        WatchdogNoteMci(device, message, flags, true, result);
        return result;
    }
    BOOL GetErrorString(MCIERROR code, LPSTR text, UINT length) override {
        return Inner->GetErrorString(code, text, length);
    }
};

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // A test that hangs ends the program long before ctest's 300 s, naming itself.
    StartTestWatchdog(60, 240);
    ::testing::UnitTest::GetInstance()->listeners().Append(std::make_unique<TWatchdogListener>().release());
    static TWatchedMci watchedMci;
    watchedMci.Inner = ReplaceMciApi(&watchedMci);
    // The test's main thread stands for the game thread that loaded the plug-in.
    TqrvProgressThread::SetOwnerThread();
    return RUN_ALL_TESTS();
}
