#pragma once

// A repaint of the terminal owed because its size changed (SIGWINCH) or the
// process was continued after a stop. Signal handlers ask for it; the main
// thread takes the request and paints (terminalRepaintIfOwed).

// Installs the SIGWINCH handler and makes the wake-up descriptor; main thread.
void terminalWatchSize();
// Gives the previous SIGWINCH handler back.
void terminalUnwatchSize();
// Records the request and signals the wake-up. Async-signal-safe.
void terminalRequestRepaint();
// True once per request.
bool terminalTakeRepaintRequest();
// A wakeup (wakeup.h) signalled on every request, for a thread that sleeps
// in poll() to notice; -1 before terminalWatchSize.
int terminalRepaintWakeup();
