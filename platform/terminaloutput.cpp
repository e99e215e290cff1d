#include "platform/terminaloutput.h"

#include <curses.h>
#include <errno.h>
#include <langinfo.h>
#include <locale.h>
#include <string.h>
#include <sys/ioctl.h>
#include <term.h>
#include <unistd.h>

#include <string>

#include "platform/terminalglyphs.h"
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
  bool autoMargins = false;
  bool eatsNewline = false;  // xenl: the last column does not wrap at once
  int colours = 0;
};

int outFd = -1;
bool utf8 = false;
capabilities caps;
int defaultLines = 0, defaultColumns = 0;

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

// Recomputes what a handler writes on the way out and on continuing.
void publishRestore() {
  std::string leave, resume;
  if (attributesTouched) append(leave, caps.attributesOff);
  if (lowestRow >= 0) {
    appendMove(leave, lowestRow, 0);
    leave += "\r\n";
    append(leave, caps.clearToEnd);
  }
  if (cursorTouched) append(leave, caps.cursorNormal);
  if (cursorHidden) append(resume, caps.cursorInvisible);
  terminalPublishRestoreBytes(leave.data(), leave.size(), resume.data(), resume.size());
}

void noteRow(int row) {
  if (row <= lowestRow) return;
  lowestRow = row;
  publishRestore();
}

}  // namespace

bool terminalOutputOpen(int fd) {
  if (outFd >= 0) return true;
  if (fd < 0 || isatty(fd) != 1) return false;
  int status = 0;
  if (setupterm(nullptr, fd, &status) != OK) return false;
  caps = capabilities{};
  caps.cursorAddress = capability("cup");
  if (caps.cursorAddress == nullptr) return false;
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
  lastAttribute = -1;
  lowestRow = -1;
  cursorHidden = cursorTouched = attributesTouched = false;
  publishRestore();
  return true;
}

void terminalOutputClose() {
  if (outFd < 0) return;
  terminalRestoreNow();
  outFd = -1;
}

bool terminalOutputReady() { return outFd >= 0; }
bool terminalOutputUtf8() { return utf8; }

bool terminalScreenSize(int& width, int& height) {
  if (outFd < 0) return false;
  winsize size;
  if (ioctl(outFd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
    width = size.ws_col;
    height = size.ws_row;
    return true;
  }
  if (defaultColumns > 0 && defaultLines > 0) {
    width = defaultColumns;
    height = defaultLines;
    return true;
  }
  return false;
}

void terminalWriteCells(int row, int column, const uint8_t* bytes, int count, int attribute, int cursorRow,
                        int cursorColumn) {
  int width, height;
  if (outFd < 0 || count <= 0 || !terminalScreenSize(width, height)) return;
  if (row < 0 || row >= height || column < 0 || column >= width) return;
  if (count > width - column) count = width - column;
  std::string out;
  out.reserve(static_cast<size_t>(count) * 3 + 64);
  appendAttribute(out, attribute);
  appendMove(out, row, column);
  // Without xenl, filling the bottom-right cell would scroll the screen.
  bool lastCell = row == height - 1 && column + count == width;
  bool marginsOff = false;
  if (lastCell && caps.autoMargins && !caps.eatsNewline) {
    if (caps.marginsOff && caps.marginsOn) {
      append(out, caps.marginsOff);
      marginsOff = true;
    } else {
      --count;
    }
  }
  char glyph[4];
  for (int i = 0; i < count; ++i) out.append(glyph, terminalGlyph(bytes[i], utf8, glyph));
  if (marginsOff) append(out, caps.marginsOn);
  // After the last column the terminal's own cursor is in no reliable place.
  if (cursorRow != row || cursorColumn != column + count || column + count >= width)
    appendMove(out, cursorRow, cursorColumn);
  writeAll(out);
  noteRow(row);
}

void terminalMoveCursor(int row, int column) {
  if (outFd < 0) return;
  std::string out;
  appendMove(out, row, column);
  writeAll(out);
}

void terminalScrollUp(int attribute, int cursorRow, int cursorColumn) {
  int width, height;
  if (outFd < 0 || !terminalScreenSize(width, height)) return;
  std::string out;
  // The new bottom row takes the current background colour (bce terminals).
  appendAttribute(out, attribute);
  if (caps.changeScrollRegion) append(out, tiparm(caps.changeScrollRegion, 0, height - 1));
  appendMove(out, height - 1, 0);
  if (caps.scrollForward)
    append(out, caps.scrollForward);
  else
    out += "\n";
  appendMove(out, cursorRow, cursorColumn);
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
