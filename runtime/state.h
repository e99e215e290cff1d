#pragma once
#include <atomic>
#include <cstdint>

struct threadBlock;
struct graphicTarget;

// Process-wide list of drawable surfaces, newest first. The lock is one word:
// take it by exchanging -1 in until the old value was 0, release it by
// storing 0.
struct targetRegistry {
  std::atomic<int32_t> lock{0};
  graphicTarget* head = nullptr;
};

// The process-wide runtime record.
struct runtimeState {
  // Console handles and modes, set at start-up.
  int consoleOut = 2;  // file descriptor for all console output
  int consoleIn = -1;  // the controlling terminal, read for keys
  int standardError = 2;
  int standardInput = 0;
  int standardOutput = 1;
  int32_t stdoutIsConsole = 0;  // -1 when standard output is a terminal
  int32_t stdinIsConsole = 0;   // -1 when the key terminal is usable
  int32_t cursorSize = 0;
  int32_t cursorVisible = 0;
  uint32_t osPlatformId = 0;
  int32_t showWindowValue = 10;
  const char* commandTail = "";
  void* moduleHandle = nullptr;

  threadBlock* mainThreadBlock = nullptr;
  std::atomic<int32_t> threadBlockCount{0};

  // Console state, reset by programInit.
  int32_t foregroundColor = 7;
  int32_t backgroundColor = 0;
  uint8_t scrollPending = 0;
  uint32_t consoleWindowHandle = 0;  // cached once found
  int32_t visiblePage = 1;
  int32_t activePage = 1;

  // Key state, reset by programInit.
  uint32_t lastControlKeyState = 0;

  targetRegistry registry;
};

extern runtimeState runtime;
