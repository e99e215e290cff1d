#pragma once
#include <cstddef>
#include <cstdint>

// How one screen byte (a code page 437 character) is shown on the terminal.
// In a UTF-8 locale every byte becomes its code page 437 character in UTF-8;
// otherwise the character in the locale's own character set when it has it
// as one printable cell, else '?'. Never yields a control byte, a broken
// sequence or a character wider than one cell.
// Writes at most TERMINAL_GLYPH_MAX bytes to out and returns how many.
inline constexpr size_t TERMINAL_GLYPH_MAX = 16;
size_t terminalGlyph(uint8_t byte, bool utf8, char* out);

// The VT100 line-drawing character (terminfo's acsc names) that draws a
// byte's box-drawing character: 'l' for the top-left corner, 'q' for the
// horizontal line and so on; 0 for bytes that are no line.
char lineDrawingCharacter(uint8_t byte);
// A plain ASCII stand-in for a VT100 line-drawing character: '+', '-' or '|'.
char asciiLineDrawing(char vt100);

// The Unicode code point that code page 437 gives to a byte (0 shows as a blank).
char32_t codePage437ToUnicode(uint8_t byte);
