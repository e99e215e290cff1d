#include "platform/terminaltitle.h"

#include <string>

#include "platform/terminaloutput.h"

// terminfo has no entries for these window operations, so they are spelt
// out; terminals that do not know them ignore them.
void terminalPushTitle() { terminalWriteControl("\033[22;0t", 7); }

void terminalSetTitle(const char* title) {
  std::string sequence = "\033]2;";
  for (const char* p = title; *p; ++p)
    if (static_cast<unsigned char>(*p) >= 32 && *p != 127) sequence += *p;
  sequence += '\007';
  terminalWriteControl(sequence.data(), sequence.size());
}

void terminalPopTitle() { terminalWriteControl("\033[23;0t", 7); }
