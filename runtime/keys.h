#pragma once
#include <cstdint>

#include "runtime/scancodes.h"
#include "runtime/strings.h"

struct peekedKey {
  int32_t length;  // 0 no key, 1 a character, 2 a scan code
  uint8_t character;
  uint8_t scanCode;
};

// Looks at the first waiting key without taking it.
peekedKey peekKey();
// -1 when a key is waiting, else 0. Cheap enough to call once per point.
int32_t keyAvailable();
// Waits for the next key and takes it: one byte, or byte 0 and the scan code.
rtString waitKey();
// Throws away every waiting key.
void flushKeys();
// Digits and punctuation follow Shift alone while Caps Lock is on.
uint8_t capsLockFix(uint8_t character, uint8_t scanCode, uint32_t controlKeyState);

// Start-up and shutdown (consoleSetup, consoleRestore): begins and ends
// reading keys from the terminal fd on a thread of its own. utf8: the
// terminal sends characters beyond ASCII in UTF-8. onHangUp and onFront, if
// given, run on that thread when the terminal goes away and when the job is
// in front again after the background. False when no thread can be had.
bool keysStartReading(int fd, bool utf8, void (*onHangUp)() = nullptr, void (*onFront)() = nullptr);
void keysStopReading();
