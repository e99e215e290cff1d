#include "runtime/consolesetup.h"

#include <cstdlib>

#include "platform/terminalmodes.h"
#include "platform/terminaloutput.h"
#include "platform/terminalrestore.h"
#include "runtime/keys.h"
#include "runtime/state.h"

void consoleSetup() {
  runtime.consoleOut = runtime.standardError;
  runtime.consoleIn = terminalOpenKeyDevice();
  runtime.stdinIsConsole = 0;
  runtime.stdoutIsConsole = 0;
  if (terminalIsTerminal(runtime.standardOutput)) {
    runtime.consoleOut = runtime.standardOutput;
    runtime.stdoutIsConsole = -1;
  }
  bool output = terminalOutputOpen(runtime.consoleOut);
  // Keys come from the terminal itself, so a redirected standard input does
  // not take them away.
  if (terminalEnterRawMode(runtime.consoleIn)) runtime.stdinIsConsole = -1;

  // A terminal cannot report its cursor; it is taken to be shown, size 10.
  runtime.cursorSize = 10;
  runtime.cursorVisible = 1;

  if (output || runtime.stdinIsConsole) {
    terminalInstallRestoreHandlers(output ? runtime.consoleOut : -1);
    static bool registered = false;
    if (!registered) registered = std::atexit(consoleRestore) == 0;
  }
  // A console program whose terminal closes ends with it.
  if (runtime.stdinIsConsole) keysStartReading(runtime.consoleIn, terminalOutputUtf8(), terminalHangUp);
}

void consoleRestore() {
  keysStopReading();
  terminalOutputClose();
  terminalRestoreNow();
  terminalRemoveRestoreHandlers();
  if (runtime.consoleIn >= 0) terminalCloseKeyDevice(runtime.consoleIn);
  runtime.consoleIn = -1;
  runtime.stdinIsConsole = 0;
}
