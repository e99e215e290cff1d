#pragma once
// A real pseudo-terminal as the key terminal of the test program: bytes
// written to its master end reach keyAvailable and waitKey through the
// reader thread and the decoder.
#include <unistd.h>

#include <string>

#include "platform/terminalmodes.h"
#include "tests/support/terminalpty.h"
#include "runtime/keys.h"
#include "runtime/state.h"
#include "tests/support/waitfor.h"

class ptyKeyTerminal {
 public:
  // Opens the pty, puts it in raw mode and starts reading keys from it, as
  // from a terminal in a UTF-8 locale or not.
  bool open(bool utf8 = false) {
    if (!terminalOpenPty(master_, slave_, 80, 25) || !terminalEnterRawMode(slave_)) return false;
    runtime.stdinIsConsole = -1;
    keysStartReading(slave_, utf8);
    return true;
  }
  void close() {
    if (slave_ < 0) return;
    keysStopReading();
    terminalRestoreModes();
    terminalCloseKeyDevice(slave_);
    ::close(master_);
    runtime.stdinIsConsole = 0;
    master_ = slave_ = -1;
  }
  ~ptyKeyTerminal() { close(); }

  // Types bytes as a user at the terminal would; true when all were written.
  bool type(const std::string& bytes) {
    return write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  // Waits (generously) until a key is waiting.
  static bool keyArrives(int timeoutMs = 5000) {
    return waitFor([] { return keyAvailable() != 0; }, timeoutMs);
  }

 private:
  int master_ = -1, slave_ = -1;
};
