// The stand-in game's record of what the plug-in asks of MCI: every command it sends
// and every MCI notification the game's loop takes, each with its time, as lines on
// standard output:
//
//   mci: MS NAME dev=ID flags=0xF rc=N took=MS [element=PATH] [volume=V] [from=MS]
//        [window=W] [item=I]
//   notify: MS dev=ID code=N window=W
//
// MS is milliseconds since the record started (three decimals): the time a command was
// sent (took: how long it took to return), or the time the loop took the message from
// its queue. NAME is open, close,
// play, stop, pause, resume, set, status, seek, setaudio or the message number; W is
// the window a play's notification goes to, and the window it came to.
#pragma once

#include <windows.h>

// Sends module's calls of mciSendCommandA and mciSendCommandW through the record (its
// import table's entries are replaced). False when the module imports neither.
bool RecordMciCommandsOf(HMODULE module);

// True once a module's commands are recorded.
bool RecordingMci();

// Records a message the game's loop took, when it is an MCI notification.
void RecordTakenMessage(const MSG& message);
