// One track change done with MCI directly, as any player must: open, length, close;
// open, mode, play. The baseline of the benchmarks and of the soak's handle count.
#pragma once

#include <windows.h>
#include <mmsystem.h>

// Opens, measures, closes, opens again and starts playing; returns the playing device
// (0 when an open failed).
MCIDEVICEID BareOpenAndPlay(const char* path);

void BareStopAndClose(MCIDEVICEID device);

// A seek done with MCI directly: mode, time format, position, then a play from the
// position moved by deltaMs (not before 0) with an end notification to window.
void BareSeek(MCIDEVICEID device, int deltaMs, HWND window);
