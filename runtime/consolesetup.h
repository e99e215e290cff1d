#pragma once

// Opens the key terminal, puts it in raw mode, picks the output descriptor
// and reads the cursor state; installs the handlers that put the terminal
// back on every way out, and starts reading keys. Called once by
// runtimeStartup. False when no keys can be read (no terminal, or no thread
// to read it): the program must not run then.
bool consoleSetup();
// Puts the terminal back as it was found: modes, cursor visibility, and the
// cursor on a fresh line below what the program wrote. Safe to call twice.
void consoleRestore();
// What the user is told once the terminal is back: why no keys could be
// read, or why the terminal shows no panel; "" when there is nothing to say.
const char* consoleFailure();
