// Keys as tmux delivers them to the probe, started like hilbert3d is.
#include <gtest/gtest.h>

#include "tests/console/probe_support.h"

namespace {

TEST(TerminalKeys, KeysReachTheProgramAsKeyStrings) {
  tempFile log("keys");
  tmuxSession tmux(80, 25, probePath() + " keys " + log.path(), probeEnvironment());
  ASSERT_TRUE(tmux.started());
  ASSERT_TRUE(tmux.waitForText("KEYS READY"));
  const std::pair<const char*, const char*> presses[] = {
      {"Up", "0,72"}, {"Down", "0,80"}, {"Left", "0,75"}, {"Right", "0,77"}, {"Enter", "13"},
      {"Escape", "27"}, {"M-q", "0,16"}, {"F1", "0,59"}, {"F12", "0,88"}, {"C-c", "3"},
      {"Home", "0,71"}, {"DC", "0,83"}, {"NPage", "0,81"}, {"BSpace", "8"}, {"Tab", "9"}};
  size_t count = 0;
  for (const auto& press : presses) {
    // One at a time, so that a lone Esc is not read as the start of the next key.
    tmux.sendKeys({press.first});
    ASSERT_TRUE(log.waitForLines(++count)) << press.first;
    EXPECT_EQ(log.lines().back(), press.second) << press.first;
  }
  tmux.sendText("a1");
  tmux.sendText("z");
  ASSERT_TRUE(log.waitForLine("122"));
  std::vector<std::string> lines = log.lines();
  ASSERT_GE(lines.size(), count + 3);
  EXPECT_EQ(lines[count], "97");
  EXPECT_EQ(lines[count + 1], "49");
  // Ctrl+C did not end the program: it went on to read the z.
  EXPECT_TRUE(tmux.waitForExit());
}

TEST(TerminalKeys, FlushThrowsAwayABurst) {
  tempFile log("flush");
  tmuxSession tmux(80, 25, probePath() + " flush " + log.path(), probeEnvironment());
  ASSERT_TRUE(tmux.started());
  ASSERT_TRUE(tmux.waitForText("FLUSH READY"));
  tmux.sendText("a");
  ASSERT_TRUE(log.waitForLine("first 97"));
  // Typed while the probe sleeps before flushKeys.
  tmux.sendText("bcdef");
  tmux.sendKeys({"Up", "Down"});
  ASSERT_TRUE(tmux.waitForText("FLUSHED"));
  EXPECT_EQ(log.lines().at(1), "after flush empty");
  tmux.sendText("z");
  ASSERT_TRUE(log.waitForLine("next 122")) << log.text();
}

TEST(TerminalKeys, WithoutADisplayTheWindowCallsDoNothing) {
  tempFile log("nowindow");
  tmuxSession tmux(80, 25, probePath() + " window " + log.path(), probeEnvironment());
  ASSERT_TRUE(tmux.started());
  ASSERT_TRUE(log.waitForLine("window 0"));
  tmux.sendText("x");
  EXPECT_TRUE(tmux.waitForExit());
}

}  // namespace
