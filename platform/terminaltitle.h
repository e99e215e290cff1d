#pragma once

// The terminal window's title, through xterm's window operations. A title
// cannot be read back, so it is saved on the terminal's own title stack.
void terminalPushTitle();
// Sets the title; bytes below 32 and 127 are left out.
void terminalSetTitle(const char* title);
void terminalPopTitle();
