// The key-help panel as a person sees it in a real terminal (tmux).
#include <gtest/gtest.h>

#include "tests/console/probe_support.h"

namespace {

const std::string H = "─", V = "│";
const std::string topBorder = "┌" + repeat(H, 36) + "┬" + repeat(H, 25) + "┬" + repeat(H, 13) + "┐";
const std::string blankCells = V + repeat(" ", 36) + V + repeat(" ", 25) + V + repeat(" ", 13) + V;
const std::string keyCells = V + " Enter - quick finish or next level " + V + " Arrow key - change view " + V +
                             " Esc - quit  " + V;
const std::string bottomBorder = "└" + repeat(H, 36) + "┴" + repeat(H, 25) + "┴" + repeat(H, 13) + "┘";
const std::string credit = repeat(" ", 27) + " https://hilbert3d.example.org";

// The whole 80 x 25 screen with the panel, the status line showing `level`.
std::vector<std::string> panelScreen(const std::string& level) {
  std::vector<std::string> rows(25);
  rows[1] = " If this small window has the focus then these keys will work:";
  rows[3] = " " + topBorder;
  rows[4] = rows[6] = " " + blankCells;
  rows[5] = " " + keyCells;
  rows[7] = " " + bottomBorder;
  rows[9] = " Drawing level:  " + level + "   (5 maximum)";
  rows[23] = credit;
  return rows;
}

// What a window of width x height cells shows of a screen.
std::vector<std::string> cutTo(const std::vector<std::string>& screen, int width, int height) {
  std::vector<std::string> rows;
  for (int row = 0; row < height; ++row) {
    std::vector<std::string> chars = characters(screen[size_t(row)]);
    if (chars.size() > size_t(width)) chars.resize(size_t(width));
    std::string text;
    for (const std::string& c : chars) text += c;
    rows.push_back(trimRight(text));
  }
  return rows;
}

// The screen shown, each row without its trailing blanks.
std::vector<std::string> shown(tmuxSession& tmux) {
  std::vector<std::string> screen = tmux.capture();
  for (std::string& row : screen) row = trimRight(row);
  return screen;
}

TEST(ConsolePanel, EveryRowAt80By25OnAScreenOfItsOwn) {
  // What the terminal showed before does not show through.
  tmuxSession tmux(80, 25, "seq -f 'earlier line %g' 30; " + probePath() + " panel", probeEnvironment());
  ASSERT_TRUE(tmux.started());
  ASSERT_TRUE(tmux.waitForText("example.org"));
  EXPECT_EQ(shown(tmux), panelScreen("O"));
  std::vector<std::string> screen = tmux.capture();

  // The joints of the frame line up, column by column.
  const std::pair<int, std::string> top[] = {{2, "┌"}, {39, "┬"}, {65, "┬"}, {79, "┐"}};
  const std::pair<int, std::string> bottom[] = {{2, "└"}, {39, "┴"}, {65, "┴"}, {79, "┘"}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(at(screen[3], top[i].first), top[i].second);
    EXPECT_EQ(at(screen[7], bottom[i].first), bottom[i].second);
    for (int row = 5; row <= 7; ++row) EXPECT_EQ(at(screen[size_t(row - 1)], top[i].first), V) << "row " << row;
  }
  EXPECT_EQ(at(screen[9], 18), "O");
  EXPECT_EQ(tmux.format("#{cursor_flag}"), "0");  // hidden while the panel is up

  // The next level: the digit replaces the O, nothing around it moves.
  tmux.sendKeys({"Enter"});
  ASSERT_TRUE(tmux.waitForText("Drawing level:  1   (5 maximum)"));
  screen = tmux.capture();
  EXPECT_EQ(screenRow(screen, 10), " Drawing level:  1   (5 maximum)");
  EXPECT_EQ(screenRow(screen, 6), " " + keyCells);
  tmux.sendKeys({"Enter"});
  ASSERT_TRUE(tmux.waitForText("Drawing level:  2   (5 maximum)"));
  tmux.sendKeys({"Escape"});
  EXPECT_TRUE(tmux.waitForExit());
}

// The console keeps what it wrote: a window made smaller and larger again,
// even below the status row while the level changes, shows all of it again.
TEST(ConsolePanel, KeptThroughResizes) {
  tempFile log("resize");
  tmuxSession tmux(80, 25, probePath() + " panel " + log.path(), probeEnvironment());
  ASSERT_TRUE(tmux.started());
  ASSERT_TRUE(tmux.waitForText("example.org"));
  auto showsPanel = [&](const std::string& level, int width, int height) {
    const std::vector<std::string> expected = cutTo(panelScreen(level), width, height);
    return waitFor([&] { return shown(tmux) == expected; }, 5000);
  };
  tmux.resize(50, 12);
  EXPECT_TRUE(showsPanel("O", 50, 12)) << testing::PrintToString(shown(tmux));
  tmux.sendKeys({"Enter"});
  EXPECT_TRUE(showsPanel("1", 50, 12)) << testing::PrintToString(shown(tmux));
  tmux.resize(80, 25);
  EXPECT_TRUE(showsPanel("1", 80, 25)) << testing::PrintToString(shown(tmux));
  // The status row out of sight: the new level goes there all the same.
  tmux.resize(80, 8);
  EXPECT_TRUE(showsPanel("1", 80, 8)) << testing::PrintToString(shown(tmux));
  tmux.sendKeys({"Enter"});
  ASSERT_TRUE(log.waitForLine("level 2"));
  EXPECT_TRUE(showsPanel("2", 80, 8)) << testing::PrintToString(shown(tmux));
  tmux.resize(80, 25);
  EXPECT_TRUE(showsPanel("2", 80, 25)) << testing::PrintToString(shown(tmux));
  tmux.sendKeys({"Escape"});
  EXPECT_TRUE(tmux.waitForExit());
}

// A row captured with its escapes, the line-drawing letters shown as the
// lines they draw and every other sequence left out.
std::string lineDrawingShown(const std::string& row) {
  const std::string vt100 = "lqkxmjwvtun";
  const std::string lines[] = {"┌", "─", "┐", "│", "└", "┘", "┬", "┴", "├", "┤", "┼"};
  std::string text;
  bool drawing = false;
  for (size_t i = 0; i < row.size(); ++i) {
    if (row[i] == '' || row[i] == '') {
      drawing = row[i] == '';
    } else if (row[i] == '') {  // CSI ... final byte
      for (++i; i < row.size() && !(row[i] >= '@' && row[i] <= '~' && row[i] != '['); ++i) {
      }
    } else if (size_t at = vt100.find(row[i]); drawing && at != std::string::npos) {
      text += lines[at];
    } else {
      text += row[i];
    }
  }
  return trimRight(text);
}

// In the C locale the frame comes from the terminal's line-drawing set, and
// nothing beyond ASCII is sent. A vt100 has no alternate screen: the screen
// is cleared instead.
TEST(ConsolePanel, FrameDrawnOutsideUtf8OnAVt100) {
  tmuxSession tmux(80, 25, "seq -f 'earlier line %g' 30; " + probePath() + " panel",
                   {"LC_ALL=C", "DISPLAY=", "TERM=vt100"});
  ASSERT_TRUE(tmux.started());
  ASSERT_TRUE(tmux.waitForText("example.org"));
  std::vector<std::string> screen = tmux.capture(true);
  for (std::string& row : screen) row = lineDrawingShown(row);
  EXPECT_EQ(screen, panelScreen("O"));
  for (const std::string& row : tmux.capture())
    for (char c : row) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << row;
  tmux.sendKeys({"Escape"});
  EXPECT_TRUE(tmux.waitForExit());
}

TEST(ConsolePanel, SeventyNineColumnsLeaveBlankRowsBetweenFrameRows) {
  tmuxSession tmux(79, 25, probePath() + " panel", probeEnvironment());
  ASSERT_TRUE(tmux.started());
  ASSERT_TRUE(tmux.waitForText("example.org"));
  std::vector<std::string> screen = tmux.capture();
  EXPECT_EQ(screenRow(screen, 4), " " + topBorder);
  EXPECT_EQ(screenRow(screen, 5), "");
  EXPECT_EQ(screenRow(screen, 6), " " + blankCells);
  EXPECT_EQ(screenRow(screen, 7), "");
  EXPECT_EQ(screenRow(screen, 8), " " + keyCells);
  EXPECT_EQ(screenRow(screen, 9), "");
  // The status line is written at row 10 over the third frame row.
  EXPECT_EQ(screenRow(screen, 10), " Drawing level:  O   (5 maximum)" + repeat(" ", 6) + V + repeat(" ", 25) + V +
                                       repeat(" ", 13) + V);
  EXPECT_EQ(screenRow(screen, 12), " " + bottomBorder);
  EXPECT_EQ(screenRow(screen, 24), credit);
}

TEST(ConsolePanel, UnderTwentyFourRowsTheCreditLandsOnTheStatusRow) {
  tmuxSession tmux(80, 20, probePath() + " panel", probeEnvironment());
  ASSERT_TRUE(tmux.started());
  ASSERT_TRUE(tmux.waitForText("example.org"));
  std::vector<std::string> screen = tmux.capture();
  EXPECT_EQ(screenRow(screen, 10), " Drawing level:  O   (5 max https://hilbert3d.example.org");
  EXPECT_EQ(screenRow(screen, 8), " " + bottomBorder);
  for (int row = 11; row <= 20; ++row) EXPECT_EQ(screenRow(screen, row), "") << "row " << row;
}

}  // namespace
