#include "runtime/console.h"

#include "platform/terminaloutput.h"
#include "runtime/formatnumber.h"
#include "runtime/state.h"

namespace {

// The cursor as this program last placed it (0-based). A terminal cannot be
// asked cheaply, and nobody else moves it.
int cursorColumn = 0;
int cursorRow = 0;

int attribute() { return (runtime.backgroundColor & 15) * 16 + (runtime.foregroundColor & 15); }

// The cursor, kept inside the screen buffer.
void clampCursor(int columns, int rows) {
  if (cursorColumn >= columns) cursorColumn = columns - 1;
  if (cursorRow >= rows) cursorRow = rows - 1;
}

}  // namespace

void consoleLocate(int32_t column, int32_t row) {
  runtime.scrollPending = 0;
  int columns, rows;
  if (!terminalBufferSize(columns, rows)) return;
  clampCursor(columns, rows);
  if (column >= 1 && column <= columns) cursorColumn = column - 1;
  if (row >= 1 && row <= rows) cursorRow = row - 1;
  terminalMoveCursor(cursorRow, cursorColumn);
}

void consolePrint(rtStringRef text) {
  const uint8_t* bytes = text.data();
  int32_t remaining = text.length();
  int columns, rows;
  if (remaining <= 0 || bytes == nullptr || !terminalBufferSize(columns, rows)) return;
  clampCursor(columns, rows);
  while (remaining > 0) {
    if (runtime.scrollPending) {
      runtime.scrollPending = 0;
      consoleScrollUp();
    }
    int piece = remaining;
    if (piece > columns - cursorColumn) piece = columns - cursorColumn;
    if (piece > 255) piece = 255;
    int row = cursorRow, column = cursorColumn;
    cursorColumn += piece;
    if (cursorColumn >= columns) {
      cursorColumn = 0;
      // At the bottom the scroll waits for the next write, so that the last
      // cell of the screen can be filled.
      if (cursorRow + 1 >= rows)
        runtime.scrollPending = 1;
      else
        ++cursorRow;
    }
    terminalWriteCells(row, column, bytes, piece, attribute(), cursorRow, cursorColumn);
    bytes += piece;
    remaining -= piece;
  }
}

void consoleNewLine() {
  int columns, rows;
  if (!terminalBufferSize(columns, rows)) return;
  clampCursor(columns, rows);
  if (cursorRow + 1 < rows) {
    consoleLocate(1, cursorRow + 2);
    return;
  }
  bool pending = runtime.scrollPending != 0;
  runtime.scrollPending = 0;
  if (pending) consoleScrollUp();
  consoleScrollUp();
  consoleLocate(1, rows);
}

void consoleScrollUp() {
  int columns, rows;
  if (!terminalBufferSize(columns, rows)) return;
  clampCursor(columns, rows);
  terminalScrollUp(attribute(), cursorRow, cursorColumn);
}

void consolePrintNumber(long double x) { consolePrint(formatNumber(x, 15)); }

void consoleCursor(int32_t size) {
  if (size == 0) {
    runtime.cursorVisible = 0;
  } else {
    if (size > 0) runtime.cursorSize = size < 10 ? 10 : size >= 99 ? 99 : size;
    runtime.cursorVisible = 1;
  }
  if (runtime.visiblePage == runtime.activePage) terminalShowCursor(runtime.cursorVisible != 0);
}
