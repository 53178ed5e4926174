// The MCI commands the plug-in sends, seen from outside it: its imports of
// mciSendCommandA and mciSendCommandW are pointed at recorders that pass each command
// on and print what the end-to-end cases compare:
//   "mci: play NAME volume=V"   a play command, with the volume the device was given
//                               since it was opened ("none": no volume command)
//   "mci: volume NAME V"        a volume command to a device that has played
// NAME is the file name of the device's element. For the timing of track changes, every
// command and every MCI notification the game's loop takes, with their times:
//   "command: MS NAME dev=ID flags=0xF rc=N took=MS [element=PATH] [volume=V]
//            [from=MS] [window=W] [item=I]"
//   "notify: MS dev=ID code=N window=W"
// MS is milliseconds since the stand-in started (three decimals): the time a command
// was sent (took: how long until it returned), or the time the loop took the message
// from its queue. NAME is open, close, play, stop, pause, resume, set, status, seek,
// setaudio or the message number; W is the window a play's notification goes to, and
// the window it came to.
#pragma once

#include <windows.h>

// Recording is on for the plug-in loaded next (the stand-in's --record-mci).
void EnableMciRecording();

// After a load: points the module's MCI imports at the recorders, when recording is on.
void RecordMciOf(HMODULE module);

// Records a message the game's loop took, when it is an MCI notification.
void RecordTakenMessage(const MSG& message);
