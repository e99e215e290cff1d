#pragma once

// Where the credit line sends people.
inline constexpr char PROJECT_ADDRESS[] = "https://hilbert3d.example.org";

// Writes the instruction, the framed key-help panel, the status line (with
// the letter O for the level) and the credit line.
void drawConsolePanel();
// Writes the current level into the status line, over the O.
void showLevelNumber();
