#include "runtime/consolesetup.h"

// Placeholder until the terminal set-up lands; keeps start-up linkable.
void consoleSetup() {}
void consoleRestore() {}
