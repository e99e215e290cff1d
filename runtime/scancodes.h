#pragma once
#include <cstdint>

// Scan codes (PC set 1, US layout) of the keys the runtime and the graphic
// window name: the codes a PC keyboard reports, and the form every key takes
// between the terminal, the key queue and the program.
inline constexpr uint8_t SCAN_ESC = 1;
inline constexpr uint8_t SCAN_BACKSPACE = 14;
inline constexpr uint8_t SCAN_TAB = 15;
inline constexpr uint8_t SCAN_ENTER = 28;
inline constexpr uint8_t SCAN_SPACE = 57;

// The three letter rows: Q..P, A..L, Z..M.
inline constexpr uint8_t SCAN_Q = 16, SCAN_P = 25;
inline constexpr uint8_t SCAN_A = 30, SCAN_L = 38;
inline constexpr uint8_t SCAN_Z = 44, SCAN_M = 50;

// Modifier and lock keys: they change other keys and are no key themselves.
inline constexpr uint8_t SCAN_CTRL = 29;
inline constexpr uint8_t SCAN_LEFT_SHIFT = 42;
inline constexpr uint8_t SCAN_RIGHT_SHIFT = 54;
inline constexpr uint8_t SCAN_ALT = 56;
inline constexpr uint8_t SCAN_CAPS_LOCK = 58;
inline constexpr uint8_t SCAN_NUM_LOCK = 69;
inline constexpr uint8_t SCAN_SCROLL_LOCK = 70;

// Function keys: F1..F10 run from 59 to 68; F11 and F12 come later.
inline constexpr uint8_t SCAN_F1 = 59;
inline constexpr uint8_t SCAN_F10 = 68;
inline constexpr uint8_t SCAN_F11 = 87;
inline constexpr uint8_t SCAN_F12 = 88;
// F11 and F12 as the graphic window reports them: the BIOS's codes for them.
inline constexpr uint8_t SCAN_F11_BIOS = 0x85;
inline constexpr uint8_t SCAN_F12_BIOS = 0x86;

// The cursor block and the keypad's middle key.
inline constexpr uint8_t SCAN_HOME = 71, SCAN_UP = 72, SCAN_PAGE_UP = 73, SCAN_LEFT = 75, SCAN_CENTRE = 76;
inline constexpr uint8_t SCAN_RIGHT = 77, SCAN_END = 79, SCAN_DOWN = 80, SCAN_PAGE_DOWN = 81;
inline constexpr uint8_t SCAN_INSERT = 82, SCAN_DELETE = 83;
