#include "platform/terminaloutput.h"

#include <curses.h>
#include <errno.h>
#include <langinfo.h>
#include <locale.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <term.h>
#include <unistd.h>

#include <string>

#include "platform/terminalcells.h"
#include "platform/terminalglyphs.h"
#include "platform/terminalmodes.h"
#include "platform/terminalrepaint.h"
#include "platform/terminalrestore.h"

namespace {

struct capabilities {
  const char* cursorAddress = nullptr;  // cup
  const char* cursorInvisible = nullptr;
  const char* cursorNormal = nullptr;
  const char* changeScrollRegion = nullptr;
  const char* scrollForward = nullptr;  // ind
  const char* clearToEnd = nullptr;     // el
  const char* attributesOff = nullptr;  // sgr0
  const char* originalPair = nullptr;   // op
  const char* foreground = nullptr;     // setaf
  const char* background = nullptr;     // setab
  const char* marginsOff = nullptr;     // rmam
  const char* marginsOn = nullptr;      // smam
  const char* enterCa = nullptr;        // smcup: the alternate screen
  const char* exitCa = nullptr;         // rmcup
  const char* clearScreen = nullptr;    // clear
  const char* enableAcs = nullptr;      // enacs
  const char* enterAcs = nullptr;       // smacs: the line-drawing set
  const char* exitAcs = nullptr;        // rmacs
  char lineDrawing[128] = {};           // acsc: VT100 character -> the terminal's
  bool autoMargins = false;
  bool eatsNewline = false;  // xenl: the last column does not wrap at once
  int colours = 0;
};

int outFd = -1;
bool utf8 = false;
capabilities caps;
int defaultLines = 0, defaultColumns = 0;
char failure[160];  // why the terminal cannot be written to by cells; "" when it can

terminalCells buffer;    // every cell the program wrote
int cursorRow = 0, cursorColumn = 0;  // in the buffer, as last placed
int lastAttribute = -1;  // as last sent; -1 unknown
int lowestRow = -1;      // lowest row the program wrote into
bool cursorHidden = false;
bool cursorTouched = false;
bool attributesTouched = false;

std::string* tputsTarget = nullptr;
int appendByte(int c) {
  tputsTarget->push_back(static_cast<char>(c));
  return c;
}

const char* capability(const char* name) {
  char* value = tigetstr(name);
  if (value == nullptr || value == reinterpret_cast<char*>(-1)) return nullptr;
  return value;
}

void append(std::string& out, const char* sequence) {
  if (sequence == nullptr) return;
  tputsTarget = &out;
  tputs(sequence, 1, appendByte);
}

void appendMove(std::string& out, int row, int column) {
  append(out, tiparm(caps.cursorAddress, row, column));
}

// Windows colour numbers count blue, green, red from bit 0; ANSI the other way.
int ansiColour(int colour) {
  int ansi = ((colour & 1) << 2) | (colour & 2) | ((colour & 4) >> 2);
  if ((colour & 8) && caps.colours >= 16) ansi += 8;
  return ansi;
}

void appendAttribute(std::string& out, int attribute) {
  if (attribute == lastAttribute) return;
  lastAttribute = attribute;
  attributesTouched = true;
  append(out, caps.attributesOff);
  if (attribute == 0x07) {
    append(out, caps.originalPair);
    return;
  }
  if (caps.foreground) append(out, tiparm(caps.foreground, ansiColour(attribute & 15)));
  if (caps.background) append(out, tiparm(caps.background, ansiColour((attribute >> 4) & 15)));
}

void writeAll(const std::string& bytes) {
  // The terminal is the user's now; the cells are painted again on the way back.
  if (terminalAway()) return;
  const char* p = bytes.data();
  size_t n = bytes.size();
  while (n > 0) {
    ssize_t done = write(outFd, p, n);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return;
    p += done;
    n -= static_cast<size_t>(done);
  }
}

bool alternateScreen() { return caps.enterCa != nullptr && caps.exitCa != nullptr; }

// Recomputes what a handler writes on the way out and on continuing.
void publishRestore() {
  std::string leave, resume;
  if (attributesTouched) append(leave, caps.attributesOff);
  if (cursorTouched) append(leave, caps.cursorNormal);
  if (!utf8) append(leave, caps.exitAcs);  // a write cut short may have left it on
  // The shell goes on on a fresh line below the program's text; this counts
  // where the terminal has no alternate screen or ignores it.
  if (lowestRow >= 0) {
    appendMove(leave, lowestRow, 0);
    leave += "\r\n";
    append(leave, caps.clearToEnd);
  }
  if (alternateScreen()) {
    // The user's own screen comes back as it was, as after less or vim.
    append(leave, caps.exitCa);
    append(resume, caps.enterCa);
  }
  if (!utf8) append(resume, caps.enableAcs);
  if (cursorHidden) append(resume, caps.cursorInvisible);
  terminalPublishRestoreBytes(leave.data(), leave.size(), resume.data(), resume.size());
}

void noteRow(int row) {
  if (row <= lowestRow) return;
  lowestRow = row;
  publishRestore();
}

// The terminal's own size, asked every time: the user may change it at any moment.
bool terminalSize(int& shownColumns, int& shownRows) {
  winsize size;
  if (ioctl(outFd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    shownColumns = size.ws_col;
    shownRows = size.ws_row;
    return true;
  }
  if (defaultColumns <= 0 || defaultLines <= 0) return false;
  shownColumns = defaultColumns;
  shownRows = defaultLines;
  return true;
}

// One cell's character. Outside UTF-8 the frame goes through the terminal's
// line-drawing set, switched on and off around runs of it.
void appendGlyph(std::string& out, uint8_t byte, bool& lineDrawing) {
  char vt100 = utf8 ? 0 : lineDrawingCharacter(byte);
  char drawn = vt100 ? caps.lineDrawing[static_cast<unsigned char>(vt100)] : 0;
  if (drawn) {
    if (!lineDrawing) append(out, caps.enterAcs);
    lineDrawing = true;
    out += drawn;
    return;
  }
  if (lineDrawing) append(out, caps.exitAcs);
  lineDrawing = false;
  if (vt100) {
    out += asciiLineDrawing(vt100);
    return;
  }
  char glyph[TERMINAL_GLYPH_MAX];
  out.append(glyph, terminalGlyph(byte, utf8, glyph));
}

// Shows count buffer cells from (row, column) on, as far as the terminal
// shows them; false when none of them is on the terminal's screen.
bool appendCells(std::string& out, int row, int column, int count) {
  int shownColumns, shownRows;
  if (!terminalSize(shownColumns, shownRows) || row >= shownRows || column >= shownColumns) return false;
  if (count > shownColumns - column) count = shownColumns - column;
  if (count > buffer.width() - column) count = buffer.width() - column;
  if (count <= 0) return false;
  appendMove(out, row, column);
  // Without xenl, filling the bottom-right cell would scroll the screen.
  bool lastCell = row == shownRows - 1 && column + count == shownColumns;
  bool marginsOff = false;
  if (lastCell && caps.autoMargins && !caps.eatsNewline) {
    if (caps.marginsOff && caps.marginsOn) {
      append(out, caps.marginsOff);
      marginsOff = true;
    } else {
      --count;
    }
  }
  bool lineDrawing = false;
  for (int i = 0; i < count; ++i) {
    size_t before = out.size();
    appendAttribute(out, buffer.attributeAt(row, column + i));
    if (out.size() != before) lineDrawing = false;  // sgr0 may leave the line-drawing set
    appendGlyph(out, buffer.byteAt(row, column + i), lineDrawing);
  }
  if (lineDrawing) append(out, caps.exitAcs);
  if (marginsOff) append(out, caps.marginsOn);
  return true;
}

// The terminal's cursor to the buffer's, or as near as the screen allows.
void appendCursor(std::string& out) {
  int shownColumns, shownRows;
  if (!terminalSize(shownColumns, shownRows)) return;
  appendMove(out, cursorRow < shownRows ? cursorRow : shownRows - 1,
             cursorColumn < shownColumns ? cursorColumn : shownColumns - 1);
}

}  // namespace

bool terminalOutputOpen(int fd) {
  if (outFd >= 0) return true;
  failure[0] = '\0';
  if (fd < 0 || isatty(fd) != 1) return false;
  const char* type = getenv("TERM");
  if (type == nullptr || *type == '\0') {
    snprintf(failure, sizeof failure, "no key panel: TERM is not set, so the cursor cannot be placed");
    return false;
  }
  int status = 0;
  if (setupterm(nullptr, fd, &status) != OK) {
    snprintf(failure, sizeof failure, "no key panel: the terminal type \"%.64s\" is not known to terminfo", type);
    return false;
  }
  caps = capabilities{};
  caps.cursorAddress = capability("cup");
  if (caps.cursorAddress == nullptr) {
    snprintf(failure, sizeof failure, "no key panel: the terminal type \"%.64s\" cannot place the cursor", type);
    return false;
  }
  caps.cursorInvisible = capability("civis");
  caps.cursorNormal = capability("cnorm");
  caps.changeScrollRegion = capability("csr");
  caps.scrollForward = capability("ind");
  caps.clearToEnd = capability("el");
  caps.attributesOff = capability("sgr0");
  caps.originalPair = capability("op");
  caps.foreground = capability("setaf");
  caps.background = capability("setab");
  caps.marginsOff = capability("rmam");
  caps.marginsOn = capability("smam");
  caps.enterCa = capability("smcup");
  caps.exitCa = capability("rmcup");
  caps.clearScreen = capability("clear");
  caps.enableAcs = capability("enacs");
  caps.enterAcs = capability("smacs");
  caps.exitAcs = capability("rmacs");
  if (const char* acsc = capability("acsc"); acsc && caps.enterAcs && caps.exitAcs)
    for (const char* p = acsc; p[0] && p[1]; p += 2)
      if (static_cast<unsigned char>(p[0]) < 128) caps.lineDrawing[static_cast<unsigned char>(p[0])] = p[1];
  caps.autoMargins = tigetflag("am") > 0;
  caps.eatsNewline = tigetflag("xenl") > 0;
  caps.colours = tigetnum("colors");
  defaultLines = tigetnum("lines");
  defaultColumns = tigetnum("cols");

  // The character set is the user's, from the environment; LC_CTYPE only.
  setlocale(LC_CTYPE, "");
  const char* codeset = nl_langinfo(CODESET);
  utf8 = codeset != nullptr && (strcmp(codeset, "UTF-8") == 0 || strcmp(codeset, "utf8") == 0);

  outFd = fd;
  buffer = terminalCells();
  cursorRow = cursorColumn = 0;
  lastAttribute = -1;
  lowestRow = -1;
  cursorHidden = cursorTouched = attributesTouched = false;
  publishRestore();
  // A job started in the background leaves the terminal alone until it is
  // in front; then it comes in as after a stop.
  terminalStartAway(terminalInBackground(fd));
  // The program's text starts on a clean screen, on the alternate one where
  // the terminal has it.
  std::string start;
  if (alternateScreen()) append(start, caps.enterCa);
  append(start, caps.clearScreen);
  if (!utf8) append(start, caps.enableAcs);
  writeAll(start);
  terminalWatchSize();
  return true;
}

void terminalOutputClose() {
  if (outFd < 0) return;
  terminalUnwatchSize();
  terminalRestoreNow();
  outFd = -1;
}

bool terminalOutputReady() { return outFd >= 0; }
const char* terminalOutputFailure() { return failure; }
bool terminalOutputUtf8() { return utf8; }

bool terminalBufferSize(int& width, int& height) {
  if (outFd < 0) return false;
  int shownColumns, shownRows;
  if (terminalSize(shownColumns, shownRows)) buffer.grow(shownColumns, shownRows);
  if (buffer.width() == 0) return false;
  width = buffer.width();
  height = buffer.height();
  return true;
}

void terminalWriteCells(int row, int column, const uint8_t* bytes, int count, int attribute, int toRow,
                        int toColumn) {
  int width, height;
  if (outFd < 0 || count <= 0 || !terminalBufferSize(width, height)) return;
  if (row < 0 || row >= height || column < 0 || column >= width) return;
  buffer.put(row, column, bytes, count, static_cast<uint8_t>(attribute));
  cursorRow = toRow;
  cursorColumn = toColumn;
  std::string out;
  out.reserve(static_cast<size_t>(count) * 3 + 64);
  if (appendCells(out, row, column, count)) noteRow(row);
  appendCursor(out);
  writeAll(out);
}

void terminalMoveCursor(int row, int column) {
  if (outFd < 0) return;
  cursorRow = row;
  cursorColumn = column;
  std::string out;
  appendCursor(out);
  writeAll(out);
}

void terminalScrollUp(int attribute, int toRow, int toColumn) {
  int width, height, shownColumns, shownRows;
  if (outFd < 0 || !terminalBufferSize(width, height) || !terminalSize(shownColumns, shownRows)) return;
  buffer.scrollUp(static_cast<uint8_t>(attribute));
  cursorRow = toRow;
  cursorColumn = toColumn;
  std::string out;
  // The new bottom row takes the current background colour (bce terminals).
  appendAttribute(out, attribute);
  if (caps.changeScrollRegion) append(out, tiparm(caps.changeScrollRegion, 0, shownRows - 1));
  appendMove(out, shownRows - 1, 0);
  if (caps.scrollForward)
    append(out, caps.scrollForward);
  else
    out += "\n";
  // Where the window shows fewer rows than the buffer holds, its bottom row
  // now shows a buffer row that was hidden.
  appendCells(out, shownRows - 1, 0, width);
  appendCursor(out);
  writeAll(out);
  if (lowestRow > 0) {
    --lowestRow;
    publishRestore();
  }
}

void terminalShowCursor(bool visible) {
  if (outFd < 0) return;
  std::string out;
  append(out, visible ? caps.cursorNormal : caps.cursorInvisible);
  writeAll(out);
  cursorHidden = !visible;
  cursorTouched = true;
  publishRestore();
}

void terminalWriteControl(const char* bytes, size_t n) {
  if (outFd < 0) return;
  writeAll(std::string(bytes, n));
}

namespace {

// Out of line: the program asks between every two points of a picture, and
// the string of a paint would otherwise be set up on each of those calls.
[[gnu::noinline]] void repaintTerminal() {
  int width, height, shownColumns, shownRows;
  if (!terminalBufferSize(width, height) || !terminalSize(shownColumns, shownRows)) return;
  std::string out;
  lastAttribute = -1;  // a stop in between reset the attributes
  for (int row = 0; row < shownRows && row < height; ++row) appendCells(out, row, 0, width);
  appendCursor(out);
  writeAll(out);
}

}  // namespace

void terminalRepaintIfOwed() {
  // Away, the request stays owed until the terminal is the program's again.
  if (!terminalAway() && terminalTakeRepaintRequest()) repaintTerminal();
}
