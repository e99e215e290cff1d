#include "platform/x11windowkeys.h"

#include <X11/keysym.h>


pcScanCode x11ScanCode(unsigned keycode, unsigned long keysym) {
  switch (keysym) {
    case XK_Up: return {72, true};
    case XK_Left: return {75, true};
    case XK_Right: return {77, true};
    case XK_Down: return {80, true};
    case XK_Home: return {71, true};
    case XK_End: return {79, true};
    case XK_Prior: return {73, true};
    case XK_Next: return {81, true};
    case XK_Insert: return {82, true};
    case XK_Delete: return {83, true};
    case XK_KP_Enter: return {28, true};
    case XK_KP_Divide: return {53, true};
    case XK_Control_R: return {29, true};
    case XK_Alt_R:
    case XK_ISO_Level3_Shift: return {56, true};
    case XK_Print: return {55, true};
    case XK_Super_L: return {91, true};
    case XK_Super_R: return {92, true};
    case XK_Menu: return {93, true};
    case XK_F11: return {0x85, false};
    case XK_F12: return {0x86, false};
    default: break;
  }
  if (keysym >= XK_F1 && keysym <= XK_F10) return {static_cast<uint8_t>(59 + (keysym - XK_F1)), false};
  // On evdev servers keycode - 8 is the Linux input code, which is the PC
  // scan code for the main block and the keypad.
  if (keycode >= 8 && keycode - 8 < 0x59) return {static_cast<uint8_t>(keycode - 8), false};
  return {0, false};
}
