#include "runtime/consolesetup.h"

#include <cstdlib>

#include "platform/terminalmodes.h"
#include "platform/terminaloutput.h"
#include "platform/terminalrestore.h"
#include "runtime/keys.h"
#include "runtime/state.h"

namespace {

const char* failure = "";

}  // namespace

bool consoleSetup() {
  failure = "";
  runtime.consoleOut = runtime.standardError;
  runtime.consoleIn = terminalOpenKeyDevice();
  runtime.stdinIsConsole = 0;
  runtime.stdoutIsConsole = 0;
  if (terminalIsTerminal(runtime.standardOutput)) {
    runtime.consoleOut = runtime.standardOutput;
    runtime.stdoutIsConsole = -1;
  }
  // Keys come from the terminal itself, so a redirected standard input does
  // not take them away. Without them the terminal is left untouched.
  if (!terminalEnterRawMode(runtime.consoleIn)) {
    failure = "needs a terminal to read its keys from";
    return false;
  }
  runtime.stdinIsConsole = -1;
  bool output = terminalOutputOpen(runtime.consoleOut);
  failure = terminalOutputFailure();

  // A terminal cannot report its cursor; it is taken to be shown, size 10.
  runtime.cursorSize = 10;
  runtime.cursorVisible = 1;

  terminalInstallRestoreHandlers(output ? runtime.consoleOut : -1);
  static bool registered = false;
  if (!registered) registered = std::atexit(consoleRestore) == 0;
  // A console program whose terminal closes ends with it.
  if (!keysStartReading(runtime.consoleIn, terminalOutputUtf8(), terminalHangUp, terminalBackInFront)) {
    failure = "no thread could be started to read the keys";
    return false;
  }
  // Started in the background and brought to the front before the reader
  // first looked: nothing else would notice.
  if (terminalAway() && !terminalInBackground(runtime.consoleIn)) terminalBackInFront();
  return true;
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

const char* consoleFailure() { return failure; }
