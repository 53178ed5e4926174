// The stand-in game's unattended mode: one command a line.
//
//   load                     LoadLibraryA("vask\quilm.dll") on the game thread
//   load-within MS           the same; the load must not take longer (a hang guard)
//   unload                   FreeLibrary of the plug-in
//   unload-thread            FreeLibrary of the plug-in from another thread
//   press VK [MODS]          one key press through SendInput (down, up); MODS, such as
//                            ctrl or ctrl+shift+alt (rctrl, rshift: the right ones),
//                            are held around it, pressed in order and released after
//                            (ralt: the right Alt; altgr: a left Ctrl, then the right
//                            Alt, as AltGr comes)
//   press-queued VK [MODS]   the same press with every key-down and key-up queued at
//                            once, before the loop takes the first (a stalled loop)
//   hold VK N [MODS]         N key-downs (auto-repeat), then the key-up
//   count-keys VK            print how many key-downs (repeats too) and key-ups of VK
//                            the game window has received: "keys: VK down=N up=M"
//   wait MS                  run the message loop for MS milliseconds
//   waitline PREFIX [MS]     run the loop until a new status line starts with PREFIX
//   waitfile PATH [TEXT]     run the loop until the file holds TEXT (UTF-8, the rest of
//                            the line; none: an empty file)
//   focus game|second|foreign  move the foreground window
//   activate STATE           send WM_ACTIVATE with wParam STATE to the game window
//   delete FILE              delete a file (a track removed while the game runs)
//   chdir DIR                change the current folder
//   lock FILE                hold the file open without sharing, until the end
//   stats NAME               print counts of handles, windows, open MCI devices,
//                            private bytes, threads, USER and GDI objects
//   calibrate FILE N         N bare MCI track changes: handles the platform keeps per change
//   screenshot FILE          save the game window as a BMP
//   close game|second        send WM_CLOSE to a game window (closing the game window
//                            ends the game: the script stops there)
//   end-by-windows           destroy the game's windows without a WM_QUIT, then
//                            ExitProcess(0)
//   destroy-windows          destroy the game's windows without a WM_QUIT; the loop
//                            goes on (a game replacing its window)
//   new-window               create a new game window and make it the foreground
//   quit-inside-next-line [now]  the text routine, at the next line, pumps messages
//                            until a track's end has been dispatched (with now: at
//                            once), then posts WM_QUIT and pumps until the loop takes
//                            it, all inside the routine
//   windows-go-inside-next-line  the text routine, at the next line, destroys the
//                            game's windows without a WM_QUIT and pumps; the game's
//                            end has begun there
//   exit-process             ExitProcess(0) at once, windows and all
//   exit                     end the script
//
// At the end of the script the game quits as games do: WM_CLOSE to the game window,
// which destroys it; its WM_DESTROY posts WM_QUIT, and the loop ends on it. The
// stand-in prints "quit: begins" when a quit starts; nothing may be shown after it.
// Blank lines and lines starting with "#" are skipped. Numbers may be decimal or 0x hex.
#pragma once

#include <string>
#include <vector>

#include "GameWindow.h"

enum TExitStatus : int {
    ExitDone = 0,
    ExitLoadFailed = 2,
    ExitTimedOut = 3,
    ExitFault = 4,
    ExitBadScript = 5,
};

struct THostOptions {
    bool PeekFirst = false; // peek with PM_NOREMOVE before each removal, as some games do
};

// Runs the script, then quits as a game does; returns the exit status.
int RunScript(const std::vector<std::string>& lines, TGameWindows& windows, const THostOptions& options);

// Runs the game's message loop until it takes WM_QUIT (interactive mode).
int RunMessageLoop(const THostOptions& options);

// Loads the plug-in, reporting and closing a failure message box; false when it failed.
bool LoadPlugin();
