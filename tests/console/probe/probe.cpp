// A program for the console tests to run in a real terminal: it starts the
// way hilbert3d does (runtimeStartup) and then does what its first argument
// names, writing what it sees to the log file named by the second.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/panel.h"
#include "app/state.h"
#include "runtime/console.h"
#include "runtime/consolewindow.h"
#include "runtime/keys.h"
#include "runtime/startup.h"
#include "runtime/state.h"
#include "runtime/strings.h"
#include "runtime/timing.h"

namespace {

std::string mode;
std::string logPath;

void logLine(const std::string& line) {
  if (logPath.empty()) return;
  if (FILE* f = std::fopen(logPath.c_str(), "a")) {
    std::fprintf(f, "%s\n", line.c_str());
    std::fclose(f);
  }
}

void print(const char* text) { consolePrint(rtStringRef(reinterpret_cast<const uint8_t*>(text), int32_t(std::strlen(text)))); }

void printRepeated(int n, char c) {
  std::string text(static_cast<size_t>(n), c);
  consolePrint(rtStringRef(reinterpret_cast<const uint8_t*>(text.data()), n));
}

std::string describe(const rtString& key) {
  std::string text;
  for (int32_t i = 0; i < key.length(); ++i) text += (i ? "," : "") + std::to_string(key.bytes()[i]);
  return text;
}

bool isCharacter(const rtString& key, uint8_t c) { return key.length() == 1 && key.bytes()[0] == c; }

// The panel as hilbert3d shows it; Enter raises the level, Esc ends.
int panel() {
  consoleCursor(0);
  drawConsolePanel();
  for (;;) {
    rtString key = waitKey();
    flushKeys();
    if (isCharacter(key, 27)) return 0;
    if (isCharacter(key, 13) && level < maxLevel) {
      ++level;
      showLevelNumber();
      logLine("level " + std::to_string(level));
    }
  }
}

// Every key, logged, until the character z.
int keys() {
  consoleLocate(1, 1);
  print("KEYS READY");
  for (;;) {
    rtString key = waitKey();
    logLine(describe(key));
    if (isCharacter(key, 'z')) return 0;
  }
}

// A burst after the first key is thrown away; the next key is logged.
int flush() {
  consoleLocate(1, 1);
  print("FLUSH READY");
  rtString first = waitKey();
  logLine("first " + describe(first));
  sleepMs(1500);
  flushKeys();
  logLine(std::string("after flush ") + (keyAvailable() ? "waiting" : "empty"));
  consoleLocate(1, 2);
  print("FLUSHED");
  rtString next = waitKey();
  logLine("next " + describe(next));
  return 0;
}

void waitForStep(const char* name) {
  logLine(name);
  rtString key = waitKey();
}

// Wrap at the right edge and the deferred scroll at the bottom, step by step.
int wrap() {
  int width = std::stoi(std::getenv("PROBE_WIDTH"));
  int height = std::stoi(std::getenv("PROBE_HEIGHT"));
  consoleCursor(0);
  for (int row = 1; row <= height; ++row) {
    char label[16];
    std::snprintf(label, sizeof label, "R%02d", row);
    consoleLocate(1, row);
    print(label);
  }
  // A full middle row, then a new line: one row left as it was.
  consoleLocate(1, 5);
  printRepeated(width, 'a');
  consoleNewLine();
  print("X");
  // Control bytes are shown, not obeyed.
  consoleLocate(5, 8);
  static const uint8_t controls[] = {'<', 13, 10, 7, 9, 8, 0, 27, '>'};
  consolePrint(rtStringRef(controls, sizeof controls));
  // A location off the screen keeps that coordinate.
  consoleLocate(3, 10);
  consoleLocate(500, 11);
  print("Y");
  waitForStep("step1");

  consoleLocate(1, height);
  printRepeated(width, 'b');
  logLine(std::string("pending ") + std::to_string(runtime.scrollPending));
  waitForStep("step2");

  print("c");
  waitForStep("step3");

  consoleLocate(1, height);
  printRepeated(width, 'd');
  consoleNewLine();
  print("e");
  waitForStep("step4");
  return 0;
}

// Draws the panel with the cursor hidden and waits: a key ends it normally,
// a signal from the test otherwise; "segv" raises a crash signal itself.
int restore() {
  logLine("pid " + std::to_string(getpid()));
  consoleCursor(0);
  drawConsolePanel();
  logLine("drawn");
  rtString key = waitKey();
  if (mode == "segv") raise(SIGSEGV);
  return 0;
}

// Draws the panel, then gives the terminal to the parent shell's process
// group, as a shell that is hanging up does, and waits to be signalled.
int background() {
  logLine("pid " + std::to_string(getpid()));
  consoleCursor(0);
  drawConsolePanel();
  if (tcsetpgrp(runtime.consoleIn, getpgid(getppid())) != 0) return 3;
  logLine("background");
  rtString key = waitKey();
  return 0;
}

// Gives the terminal to the parent shell's process group, as `bg` does,
// until SIGUSR1 takes it back, as `fg` does; then logs the next key.
int away() {
  logLine("pid " + std::to_string(getpid()));
  consoleCursor(0);
  drawConsolePanel();
  sigset_t held;
  sigemptyset(&held);
  sigaddset(&held, SIGUSR1);
  sigaddset(&held, SIGTTOU);  // taking the terminal back from the background
  pthread_sigmask(SIG_BLOCK, &held, nullptr);
  if (tcsetpgrp(runtime.consoleIn, getpgid(getppid())) != 0) return 3;
  logLine("background");
  sigset_t back;
  sigemptyset(&back);
  sigaddset(&back, SIGUSR1);
  int signalNumber = 0;
  sigwait(&back, &signalNumber);
  if (tcsetpgrp(runtime.consoleIn, getpgrp()) != 0) return 4;
  logLine("front");
  rtString key = waitKey();
  logLine("key " + describe(key));
  return 0;
}

// Moves the terminal's window and gives it the focus.
int window() {
  consoleMoveWindow(750, 200);
  consoleToFront();
  logLine("window " + std::to_string(consoleWindow()));
  rtString key = waitKey();
  return 0;
}

int32_t probeMain(void*, void*, const char*, int32_t) {
  if (mode == "panel") return panel();
  if (mode == "keys") return keys();
  if (mode == "flush") return flush();
  if (mode == "wrap") return wrap();
  if (mode == "restore" || mode == "segv") return restore();
  if (mode == "window") return window();
  if (mode == "background") return background();
  if (mode == "away") return away();
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) mode = argv[1];
  if (argc > 2) logPath = argv[2];
  return runtimeStartup(argc, argv, probeMain, nullptr, 0);
}
