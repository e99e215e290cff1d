#pragma once
#include <cstddef>

// Puts the user's terminal back however the process ends: the key modes
// (terminalmodes.h) and the screen bytes last published here (cursor shown,
// colours reset, the user's own screen back).

// Installs handlers for every signal whose default action ends the process
// (restore, then the signal's default action), SIGTSTP (restore, stop,
// re-enter on continue) and SIGCONT (raw mode, the resume bytes and a repaint
// asked for: terminalrepaint.h; not while the job is in the background).
// outFd is where the screen bytes go.
void terminalInstallRestoreHandlers(int outFd);
// Gives the previous handlers back.
void terminalRemoveRestoreHandlers();
// leave: written on the way out or when stopped; resume: written when the
// process continues after a stop (e.g. to hide the cursor again). Each is
// cut to 480 bytes. Main thread only.
void terminalPublishRestoreBytes(const char* leave, size_t leaveLength, const char* resume, size_t resumeLength);
// Restores modes and writes the leave bytes, once; later calls do nothing
// until the next terminalInstallRestoreHandlers. Async-signal-safe.
void terminalRestoreNow();
// True while the terminal shows the user's screen and the shell's (stopped,
// in the background): output then only goes to the cells. Async-signal-safe.
bool terminalAway();
// Output starts away (a job started in the background) or not. Main thread,
// before the handlers are installed.
void terminalStartAway(bool startAway);
// The job is in front again without a continue (a shell's fg of a running
// job): takes the terminal back as on a continue. Any thread.
void terminalBackInFront();
// The terminal is gone: ends the process as a hang-up from the terminal
// does (SIGHUP to the whole process, so any thread may call it), unless the
// user chose to ignore that signal.
void terminalHangUp();
