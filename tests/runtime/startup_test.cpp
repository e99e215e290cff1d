#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <tuple>

#include "runtime/arrays.h"
#include "runtime/programinit.h"
#include "runtime/startup.h"
#include "runtime/state.h"
#include "runtime/strings.h"
#include "runtime/threadblock.h"
#include "tests/runtime/child.h"
#include "tests/runtime/text.h"

namespace {

// What programMain saw, recorded for the checks after start-up returns.
struct seenByMain {
  bool called = false;
  void* module = reinterpret_cast<void*>(1);
  void* previous = reinterpret_cast<void*>(1);
  std::string commandTail;
  int32_t showWindowValue = -1;
  bool hasMainBlock = false;
  std::u16string fontFace;
  uint16_t fontSize = 0;
  int32_t blockCount = -1;
  threadBlock workerCopy{};
  int32_t foreground = -1;
  bool registryEmpty = false;
  int rounding = -1;
  bool fullPrecision = false;
  int trappedExceptions = -1;
};
seenByMain seen;
int32_t mainResult = 0;

int32_t recordingMain(void* module, void* previous, const char* commandTail, int32_t showWindowValue) {
  seen.called = true;
  seen.module = module;
  seen.previous = previous;
  seen.commandTail = commandTail;
  seen.showWindowValue = showWindowValue;
  threadBlock* block = getThreadBlock();
  seen.hasMainBlock = block != nullptr && block == runtime.mainThreadBlock;
  if (block != nullptr) {
    seen.fontFace = block->fontFace;
    seen.fontSize = block->fontSize;
  }
  seen.blockCount = runtime.threadBlockCount.load();
  std::thread worker([] {
    threadBlock* b = getThreadBlock();
    if (b != nullptr) seen.workerCopy = *b;
  });
  worker.join();
  seen.foreground = runtime.foregroundColor;
  seen.registryEmpty = runtime.registry.head == nullptr && runtime.registry.lock.load() == 0;
  seen.rounding = std::fegetround();
  volatile long double one = 1.0L;
  volatile long double smallest = std::ldexp(1.0L, -63);
  seen.fullPrecision = one + smallest != one;
  seen.trappedExceptions = fegetexcept();
  return mainResult;
}

// Puts the state programInit must reset into a state it would notice.
void disturbState() {
  runtime.foregroundColor = 3;
  runtime.registry.head = reinterpret_cast<graphicTarget*>(&seen);
  runtime.registry.lock.store(-1);
  std::fesetround(FE_UPWARD);
  feenableexcept(FE_DIVBYZERO);
#if defined(__x86_64__) || defined(__i386__)
  const uint16_t doublePrecision = 0x027F;  // 53-bit significand
  __asm__ volatile("fldcw %0" : : "m"(doublePrecision));
#endif
}

int startWith(std::initializer_list<const char*> arguments, const cleanupEntry* table = nullptr, size_t count = 0) {
  std::vector<char*> argv;
  for (const char* a : arguments) argv.push_back(const_cast<char*>(a));
  argv.push_back(nullptr);
  return runtimeStartup(static_cast<int>(arguments.size()), argv.data(), recordingMain, table, count);
}

TEST(RuntimeStartup, ExitCodeIsWhatProgramMainReturns) {
  for (int32_t code : {0, 42, 200}) {
    childResult r = runInChild([code](std::string& report) {
      mainResult = code;
      int exitCode = startWith({"hilbert3d"});
      CHILD_CHECK(report, seen.called);
      return exitCode;
    });
    EXPECT_EQ(r.exitStatus, code);
    EXPECT_EQ(r.report, "");
  }
}

TEST(RuntimeStartup, ProgramMainGetsTheStartValues) {
  childResult r = runInChild([](std::string& report) {
    startWith({"/usr/bin/hilbert3d", "abc", "def"});
    CHILD_CHECK(report, seen.module == nullptr);
    CHILD_CHECK(report, seen.previous == nullptr);
    CHILD_CHECK(report, seen.commandTail == "abc def");
    CHILD_CHECK(report, seen.showWindowValue == 10);
    CHILD_CHECK(report, std::strcmp(runtime.commandTail, "") == 0);
    return 0;
  });
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.report, "");

  r = runInChild([](std::string& report) {
    startWith({"hilbert3d"});
    CHILD_CHECK(report, seen.called);
    CHILD_CHECK(report, seen.commandTail == "");
    return 0;
  });
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.report, "");
}

TEST(RuntimeStartup, MainThreadBlockCarriesTheDefaultFont) {
  childResult r = runInChild([](std::string& report) {
    startWith({"hilbert3d"});
    CHILD_CHECK(report, seen.hasMainBlock);
    CHILD_CHECK(report, seen.fontFace == u"MS Sans Serif");
    CHILD_CHECK(report, seen.fontSize == 8);
    CHILD_CHECK(report, seen.blockCount == 1);
    CHILD_CHECK(report, std::u16string(seen.workerCopy.fontFace) == u"MS Sans Serif");
    CHILD_CHECK(report, seen.workerCopy.fontSize == 8);
    // Every block is gone after shutdown, the worker's at its thread's end.
    CHILD_CHECK(report, runtime.threadBlockCount.load() == 0);
    CHILD_CHECK(report, runtime.mainThreadBlock == nullptr);
    return 0;
  });
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.report, "");
}

TEST(RuntimeStartup, ProgramInitRunsBeforeProgramMain) {
  childResult r = runInChild([](std::string& report) {
    disturbState();
    startWith({"hilbert3d"});
    CHILD_CHECK(report, seen.foreground == runtimeState{}.foregroundColor);
    CHILD_CHECK(report, seen.registryEmpty);
    CHILD_CHECK(report, seen.rounding == FE_TONEAREST);
    CHILD_CHECK(report, seen.fullPrecision);
    CHILD_CHECK(report, seen.trappedExceptions == 0);
    return 0;
  });
  EXPECT_EQ(r.exitStatus, 0);
  EXPECT_EQ(r.report, "");
}

dynArray firstArray, secondArray;
rtString globalText;

int32_t mainThatFillsGlobals(void*, void*, const char*, int32_t) {
  const arrayBounds b{0, 8};
  arrayDim(firstArray, 0, ELEMENT_SINGLE, 1, 4, &b);
  arrayDim(secondArray, 0, ELEMENT_STRING, 1, sizeof(rtString), &b);
  strAssign(arrayAt<rtString>(secondArray, 3), makeString("element"));
  strAssign(globalText, makeString("global"));
  return 7;
}

TEST(RuntimeStartup, ShutdownReleasesTheCleanupTable) {
  childResult r = runInChild([](std::string& report) {
    const cleanupEntry table[] = {{&firstArray, nullptr}, {&secondArray, nullptr}, {nullptr, &globalText}};
    char name[] = "hilbert3d";
    char* argv[] = {name, nullptr};
    int code = runtimeStartup(1, argv, mainThatFillsGlobals, table, 3);
    CHILD_CHECK(report, code == 7);
    CHILD_CHECK(report, !(firstArray.flags & ARRAY_DIMENSIONED) && firstArray.data == nullptr);
    CHILD_CHECK(report, !(secondArray.flags & ARRAY_DIMENSIONED) && secondArray.data == nullptr);
    CHILD_CHECK(report, globalText.bytes() == nullptr);
    return code;
  });
  EXPECT_EQ(r.exitStatus, 7);
  EXPECT_EQ(r.report, "");
}

TEST(ProgramInit, ResetsConsoleKeyAndRegistryStateToAFreshRecord) {
  const runtimeState fresh;
  const auto resetFields = std::make_tuple(&runtimeState::foregroundColor, &runtimeState::backgroundColor,
                                           &runtimeState::scrollPending, &runtimeState::consoleWindowHandle,
                                           &runtimeState::visiblePage, &runtimeState::activePage,
                                           &runtimeState::lastControlKeyState);
  std::apply([&](auto... field) { ((runtime.*field = fresh.*field + 3), ...); }, resetFields);
  runtime.registry.head = reinterpret_cast<graphicTarget*>(&seen);
  runtime.registry.lock.store(-1);
  runtime.showWindowValue = 3;  // a start-up value: left alone
  const int saved = std::fegetround();
  std::fesetround(FE_TOWARDZERO);

  programInit();
  const int rounding = std::fegetround();
  std::fesetround(saved);

  std::apply([&](auto... field) { ([&] { EXPECT_EQ(runtime.*field, fresh.*field); }(), ...); }, resetFields);
  EXPECT_EQ(runtime.registry.head, nullptr);
  EXPECT_EQ(runtime.registry.lock.load(), 0);
  EXPECT_EQ(runtime.showWindowValue, 3);
  EXPECT_EQ(rounding, FE_TONEAREST);
  runtime.showWindowValue = fresh.showWindowValue;
}

}  // namespace
