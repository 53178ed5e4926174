// A watchdog for the Windows test programs: a test that hangs (inside an MCI command, a
// device's clean-up, a wait) ends its program with a failure well before ctest's time
// limit, and says where: the running test's name and what it did last.
#pragma once

#include <string>

// Starts the watchdog thread (once, as the program starts). Past stepSeconds into one
// step (a test), or past programSeconds into the program, it writes the step's name and
// its last note to the standard error and ends the program with exit code 3. The
// variable QUILM_TEST_WATCHDOG_S, when set, is the step's bound instead.
void StartTestWatchdog(unsigned stepSeconds, unsigned programSeconds);

// A step begins: its name, and the clock of its bound starts again.
void WatchdogStep(const std::string& name);

// What the step does now (the MCI command sent last, say), shown if it hangs.
void WatchdogNote(const std::string& what);

// Notes an MCI command: sent (not answered yet), or answered with result.
void WatchdogNoteMci(unsigned device, unsigned message, unsigned long long flags, bool answered, unsigned result = 0);
