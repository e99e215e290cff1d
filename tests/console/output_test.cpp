// Cell output in a real terminal: wrapping at the right edge, the deferred
// scroll at the bottom row, control bytes shown as glyphs.
#include <gtest/gtest.h>

#include "tests/console/probe_support.h"

namespace {

TEST(ConsoleOutput, WrapAndDeferredScroll) {
  tempFile log("wrap");
  tmuxSession tmux(80, 25, probePath() + " wrap " + log.path(), [] {
    auto e = probeEnvironment();
    e.push_back("PROBE_WIDTH=80");
    e.push_back("PROBE_HEIGHT=25");
    return e;
  }());
  ASSERT_TRUE(tmux.started());

  ASSERT_TRUE(log.waitForLine("step1"));
  std::vector<std::string> screen = tmux.capture();
  EXPECT_EQ(screenRow(screen, 1), "R01");
  EXPECT_EQ(screenRow(screen, 5), std::string(80, 'a'));
  EXPECT_EQ(screenRow(screen, 6), "R06");  // the new line after a full row skips it
  EXPECT_EQ(screenRow(screen, 7), "X07");
  EXPECT_EQ(screenRow(screen, 8), "R08 <♪◙•○◘ ←>");
  EXPECT_EQ(screenRow(screen, 11), "R1Y");  // column 500 kept the column, took the row

  tmux.sendKeys({"Enter"});
  ASSERT_TRUE(log.waitForLine("step2"));
  EXPECT_NE(log.text().find("pending 1"), std::string::npos);
  screen = tmux.capture();
  EXPECT_EQ(screenRow(screen, 1), "R01");  // the last cell filled, nothing scrolled yet
  EXPECT_EQ(screenRow(screen, 24), "R24");
  EXPECT_EQ(screenRow(screen, 25), std::string(80, 'b'));

  tmux.sendKeys({"Enter"});
  ASSERT_TRUE(log.waitForLine("step3"));
  screen = tmux.capture();
  EXPECT_EQ(screenRow(screen, 1), "R02");
  EXPECT_EQ(screenRow(screen, 24), std::string(80, 'b'));
  EXPECT_EQ(screenRow(screen, 25), "c");

  tmux.sendKeys({"Enter"});
  ASSERT_TRUE(log.waitForLine("step4"));
  screen = tmux.capture();
  // A new line with a scroll pending scrolls twice.
  EXPECT_EQ(screenRow(screen, 1), "R04");
  EXPECT_EQ(screenRow(screen, 22), std::string(80, 'b'));
  EXPECT_EQ(screenRow(screen, 23), std::string(80, 'd'));
  EXPECT_EQ(screenRow(screen, 24), "");
  EXPECT_EQ(screenRow(screen, 25), "e");
  tmux.sendKeys({"Enter"});
  EXPECT_TRUE(tmux.waitForExit());
}

}  // namespace
