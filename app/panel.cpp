#include "app/panel.h"

#include "app/state.h"
#include "runtime/console.h"
#include "runtime/formatnumber.h"
#include "runtime/strings.h"

namespace {

// Code page 437 line-drawing characters.
constexpr rtLiteral topLeft("\xDA");
constexpr rtLiteral horizontal("\xC4");
constexpr rtLiteral topJoint("\xC2");
constexpr rtLiteral topRight("\xBF");
constexpr rtLiteral vertical("\xB3");
constexpr rtLiteral bottomLeft("\xC0");
constexpr rtLiteral bottomJoint("\xC1");
constexpr rtLiteral bottomRight("\xD9");
constexpr rtLiteral blank(" ");

constexpr rtLiteral instruction("If this small window has the focus then these keys will work:");
constexpr rtLiteral enterCell(" Enter - quick finish or next level ");
constexpr rtLiteral arrowCell(" Arrow key - change view ");
constexpr rtLiteral escCell(" Esc - quit  ");
constexpr rtLiteral statusOpening("Drawing level:  O   (");
constexpr rtLiteral statusClosing(" maximum)");

// Inside widths of the three cells.
constexpr int32_t ENTER_WIDTH = 36, ARROW_WIDTH = 25, ESC_WIDTH = 13;

void border(rtStringRef left, rtStringRef joint, rtStringRef right) {
  consolePrint(left);
  consolePrint(strRepeat(ENTER_WIDTH, horizontal));
  consolePrint(joint);
  consolePrint(strRepeat(ARROW_WIDTH, horizontal));
  consolePrint(joint);
  consolePrint(strRepeat(ESC_WIDTH, horizontal));
  consolePrint(right);
}

void cells(rtStringRef enter, rtStringRef arrow, rtStringRef esc) {
  consolePrint(vertical);
  consolePrint(enter);
  consolePrint(vertical);
  consolePrint(arrow);
  consolePrint(vertical);
  consolePrint(esc);
  consolePrint(vertical);
}

void blankCells() {
  rtString enter = strRepeat(ENTER_WIDTH, blank);
  rtString arrow = strRepeat(ARROW_WIDTH, blank);
  rtString esc = strRepeat(ESC_WIDTH, blank);
  cells(enter, arrow, esc);
}

}  // namespace

void drawConsolePanel() {
  consoleLocate(2, 2);
  consolePrint(instruction);
  consoleNewLine();

  consoleLocate(2, 4);
  border(topLeft, topJoint, topRight);
  consoleNewLine();

  // Column 2 of the row the last new line went to.
  consoleLocate(2, 0);
  blankCells();
  consoleNewLine();
  consoleLocate(2, 0);
  cells(enterCell, arrowCell, escCell);
  consoleNewLine();
  consoleLocate(2, 0);
  blankCells();
  consoleNewLine();
  consoleLocate(2, 0);
  border(bottomLeft, bottomJoint, bottomRight);
  consoleNewLine();

  consoleLocate(2, 10);
  consolePrint(strConcat(strConcat(statusOpening, numberToText(maxLevel)), statusClosing));

  consoleLocate(28, 24);
  consolePrint(strConcat(blank, strFromBytes(PROJECT_ADDRESS, static_cast<int32_t>(sizeof PROJECT_ADDRESS - 1))));
}

void showLevelNumber() {
  consoleLocate(17, 10);
  consolePrintNumber(level);
}
