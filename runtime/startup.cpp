#include "runtime/startup.h"

#include <cstdlib>
#include <cstring>

#include "platform/standarddescriptors.h"
#include "runtime/arrays.h"
#include "runtime/consolesetup.h"
#include "runtime/programinit.h"
#include "runtime/state.h"
#include "runtime/strings.h"
#include "runtime/threadblock.h"

namespace {

constexpr int EXIT_NO_THREAD_BLOCK = 255;
constexpr int EXIT_NO_KEYS = 1;
constexpr int32_t DEFAULT_SHOW_WINDOW = 10;
constexpr char16_t DEFAULT_FONT_FACE[] = u"MS Sans Serif";
constexpr uint16_t DEFAULT_FONT_SIZE = 8;

char* ownedCommandTail = nullptr;

// argv[1..] joined by single blanks: the command tail a shell-free start
// would have passed. "" when there are no arguments or no memory.
const char* buildCommandTail(int argc, char** argv) {
  size_t length = 0;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] != nullptr) length += std::strlen(argv[i]) + 1;
  }
  if (length == 0) return "";
  auto* tail = static_cast<char*>(std::malloc(length));
  if (tail == nullptr) return "";
  size_t at = 0;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr) continue;
    if (at > 0) tail[at++] = ' ';
    size_t n = std::strlen(argv[i]);
    std::memcpy(tail + at, argv[i], n);
    at += n;
  }
  tail[at] = '\0';
  ownedCommandTail = tail;
  return tail;
}

void releaseCommandTail() {
  runtime.commandTail = "";
  std::free(ownedCommandTail);
  ownedCommandTail = nullptr;
}

}  // namespace

int runtimeStartup(int argc, char** argv, programMainFn programMain, const cleanupEntry* cleanupTable,
                   size_t cleanupCount) {
  runtime.standardError = 2;
  runtime.standardInput = 0;
  runtime.standardOutput = 1;
  runtime.consoleOut = runtime.standardError;
  standardDescriptorsOpen();
  if (!consoleSetup()) {
    // Nobody could steer it: it ends at once rather than wait for ever.
    consoleRestore();
    return EXIT_NO_KEYS;
  }

  runtime.showWindowValue = DEFAULT_SHOW_WINDOW;
  releaseCommandTail();
  runtime.commandTail = buildCommandTail(argc, argv);
  runtime.moduleHandle = nullptr;

  runtime.threadBlockCount.store(0);
  runtime.mainThreadBlock = nullptr;
  threadBlock* block = getThreadBlock();
  if (block == nullptr) {
    // The terminal is put back even though nothing else ran.
    consoleRestore();
    releaseCommandTail();
    return EXIT_NO_THREAD_BLOCK;
  }
  std::memcpy(block->fontFace, DEFAULT_FONT_FACE, sizeof(DEFAULT_FONT_FACE));
  block->fontSize = DEFAULT_FONT_SIZE;
  runtime.mainThreadBlock = block;

  programInit();
  int exitCode = 0;
  if (programMain != nullptr) {
    exitCode = programMain(runtime.moduleHandle, nullptr, runtime.commandTail, runtime.showWindowValue);
  }
  return runtimeShutdown(exitCode, cleanupTable, cleanupCount);
}

int runtimeShutdown(int exitCode, const cleanupEntry* cleanupTable, size_t cleanupCount) {
  consoleRestore();
  if (cleanupTable != nullptr) {
    for (size_t i = 0; i < cleanupCount; ++i) {
      if (cleanupTable[i].array != nullptr) arrayErase(*cleanupTable[i].array);
      if (cleanupTable[i].string != nullptr) strAssign(*cleanupTable[i].string, rtString());
    }
  }
  releaseThreadBlock();
  runtime.mainThreadBlock = nullptr;
  releaseCommandTail();
  return exitCode;
}
