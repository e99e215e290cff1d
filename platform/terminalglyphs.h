#pragma once
#include <cstddef>
#include <cstdint>

// How one screen byte (a code page 437 character) is shown on the terminal.
// In a UTF-8 locale every byte becomes its code page 437 character in UTF-8;
// otherwise printable bytes and the line-drawing bytes are sent as they are
// and everything a terminal would act on is replaced by '?'. Never yields a
// control byte or a broken UTF-8 sequence.
// Writes at most 3 bytes to out and returns how many.
size_t terminalGlyph(uint8_t byte, bool utf8, char* out);

// The Unicode code point that code page 437 gives to a byte (0 shows as a blank).
char32_t codePage437ToUnicode(uint8_t byte);
