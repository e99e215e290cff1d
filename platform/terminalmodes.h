#pragma once

// The terminal the keys are read from, and its input modes.

// Opens the process's controlling terminal for reading keys; -1 when it has none.
int terminalOpenKeyDevice();
bool terminalIsTerminal(int fd);
// Saves fd's modes (the first time) and switches it to raw key input: no line
// editing, no echo, no signals or flow control from keys. Output processing
// is left alone; in the background only the modes are saved. False when fd
// is no terminal.
bool terminalEnterRawMode(int fd);
// Puts the saved modes back. Async-signal-safe.
void terminalRestoreModes();
// Switches to raw mode again after the process was stopped and continued,
// unless it now runs in the background. Async-signal-safe.
void terminalReapplyRawMode();
// True while this process's group has the terminal. Async-signal-safe.
bool terminalInFront(int fd);
// True while another process group (a shell, after `bg`) has the terminal;
// false for a terminal that is gone.
bool terminalInBackground(int fd);
// Closes the key terminal; restoring modes does nothing afterwards.
void terminalCloseKeyDevice(int fd);
// Throws away what the terminal has received but nobody has read yet;
// nothing while the job is in the background.
void terminalDiscardInput(int fd);
