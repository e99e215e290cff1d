#pragma once

// Opens the key terminal, puts it in raw mode, picks the output descriptor
// and reads the cursor state; installs the handlers that put the terminal
// back on every way out. Called once by runtimeStartup.
void consoleSetup();
// Puts the terminal back as it was found: modes, cursor visibility, and the
// cursor on a fresh line below what the program wrote. Safe to call twice.
void consoleRestore();
