// The MCI commands the plug-in sends, seen from outside it: its imports of
// mciSendCommandA and mciSendCommandW are pointed at recorders that pass each command
// on and print what the end-to-end cases compare:
//   "mci: play NAME volume=V"   a play command, with the volume the device was given
//                               since it was opened ("none": no volume command)
//   "mci: volume NAME V"        a volume command to a device that has played
// NAME is the file name of the device's element.
#pragma once

#include <windows.h>

// Recording is on for the plug-in loaded next (the stand-in's --record-mci).
void EnableMciRecording();

// After a load: points the module's MCI imports at the recorders, when recording is on.
void RecordMciOf(HMODULE module);
