#pragma once

// A pseudo-terminal pair, for driving terminal code from a program (tests).
// The master end is what a terminal emulator would hold; the slave end is
// the terminal the program sees. Both descriptors belong to the caller.
bool terminalOpenPty(int& master, int& slave, int columns, int rows);
