#include "runtime/programinit.h"

#include <cfenv>
#include <cstdint>

#include "runtime/state.h"

namespace {

// All exceptions masked, 64-bit significand, round to nearest.
constexpr uint16_t X87_CONTROL_WORD = 0x133F;
// SSE: all exceptions masked, round to nearest, no flush-to-zero, flags clear.
constexpr uint32_t SSE_CONTROL = 0x1F80;

}  // namespace

void setFloatingPointControl() {
#if defined(__x86_64__) || defined(__i386__)
  const uint16_t controlWord = X87_CONTROL_WORD;
  __asm__ volatile("fldcw %0" : : "m"(controlWord));
#if defined(__SSE__)
  const uint32_t control = SSE_CONTROL;
  __asm__ volatile("ldmxcsr %0" : : "m"(control));
#endif
#else
  std::fesetround(FE_TONEAREST);
#endif
}

void programInit() {
  // The demo's own globals start at zero through static initialisation.
  runtime.registry.head = nullptr;
  runtime.registry.lock.store(0);

  runtime.foregroundColor = 7;
  runtime.backgroundColor = 0;
  runtime.scrollPending = 0;
  runtime.consoleWindowHandle = 0;
  runtime.visiblePage = 1;
  runtime.activePage = 1;
  runtime.lastControlKeyState = 0;

  setFloatingPointControl();
}
