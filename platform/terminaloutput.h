#pragma once
#include <cstddef>
#include <cstdint>

// Cell-addressed output to a terminal, driven by its terminfo description,
// into a screen buffer that the terminal shows the top-left part of (all of
// it unless the window was made smaller). Rows and columns count from 0.
// Everything is written with one write() per call. Main thread only.

// Prepares output on fd: reads the terminfo entry for $TERM and whether the
// locale is UTF-8. False (and every call below does nothing) when fd is no
// terminal or the terminal cannot address cells.
bool terminalOutputOpen(int fd);
// Writes the leave bytes (colours reset, cursor shown, fresh line below the
// lowest row written) and stops output. Safe to call twice.
void terminalOutputClose();
bool terminalOutputReady();
// Why the last terminalOutputOpen of a terminal failed, for the user (its
// type unset, unknown or unable to place the cursor); "" otherwise.
const char* terminalOutputFailure();
bool terminalOutputUtf8();  // whether the locale is UTF-8

// The screen buffer's size, asked anew each time: the terminal's size, or
// more where the terminal was larger before. False when it cannot be had.
bool terminalBufferSize(int& columns, int& rows);
// Writes count screen bytes from (row, column) on, in the attribute
// background * 16 + foreground (7 on 0 is the terminal's own colours), and
// leaves the terminal's cursor at (cursorRow, cursorColumn).
void terminalWriteCells(int row, int column, const uint8_t* bytes, int count, int attribute, int cursorRow,
                        int cursorColumn);
void terminalMoveCursor(int row, int column);
// Moves the whole screen up one row; the bottom row becomes blanks in the
// attribute. The cursor is left at (cursorRow, cursorColumn).
void terminalScrollUp(int attribute, int cursorRow, int cursorColumn);
void terminalShowCursor(bool visible);
// Sends bytes as they are (terminal control strings the caller composed).
void terminalWriteControl(const char* bytes, size_t n);
// Paints the terminal again from the screen buffer when its size changed or
// the process was continued since the last call (terminalrepaint.h). Cheap
// when nothing is owed.
void terminalRepaintIfOwed();
