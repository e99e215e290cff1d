#pragma once
#include <cstdint>

// PC set-1 scan code of an X key (keycode and keysym) and whether the PC
// keyboard reports it as an extended key; scan code 0 when it has none.
struct pcScanCode {
  uint8_t code;
  bool extended;
};
pcScanCode x11ScanCode(unsigned keycode, unsigned long keysym);
