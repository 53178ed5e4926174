// One track change done with MCI directly, as any player must: open, length, close;
// open, mode, play. The baseline of the benchmarks and of the soak's handle count.
#pragma once

#include <windows.h>
#include <mmsystem.h>

// Opens, measures, closes, opens again and starts playing; returns the playing device
// (0 when an open failed).
MCIDEVICEID BareOpenAndPlay(const char* path);

void BareStopAndClose(MCIDEVICEID device);
