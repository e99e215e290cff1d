// The real program in a real xterm under real window managers: the picture
// appears without taking the keyboard focus, so keys typed go on reaching
// the program, even where it cannot find the terminal's window to give the
// focus back.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/x11probe.h"
#include "tests/support/desktop.h"
#include "tests/support/tmux.h"

namespace {

constexpr uint32_t red = 0x0000FF;
const std::string caption = "Hilbert Curve in 3D";
const std::string xtermTitle = "h3d focus test";
// No process has this id: the xterm cannot be told from its process.
constexpr long strangerPid = 0x3fffffff;

std::string firstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

class focusTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/h3d-focus-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }
  std::string dir_;
};

TEST_P(focusTest, TheTerminalKeepsTheFocusAndTheKeys) {
  testDesktop desktop(GetParam());
  ASSERT_TRUE(desktop.ready()) << GetParam() << " did not start";
  // The program starts once the xterm has lost its process id; it has no
  // WINDOWID and the xterm refuses titles.
  const std::string gate = dir_ + "/gate", code = dir_ + "/code";
  desktop.startXterm(xtermTitle,
                     "while [ ! -e " + gate + " ]; do sleep 0.01; done; env -u WINDOWID " HILBERT3D_PROGRAM
                     "; echo $? > " + code,
                     {"-xrm", "XTerm*allowTitleOps: false"});
  const uint32_t terminal = desktop.findWindow(xtermTitle, 10000);
  ASSERT_NE(terminal, 0u);
  desktop.setCardinal(terminal, "_NET_WM_PID", strangerPid);
  if (!desktop.waitForFocus(terminal, 1000)) desktop.activate(terminal);
  ASSERT_TRUE(desktop.waitForFocus(terminal, 5000)) << "the user's terminal";
  std::ofstream(gate).put('\n');

  // Level 0 drawn: the program is waiting for keys, long after the window
  // manager took the picture in.
  const uint32_t picture = desktop.findWindow(caption, 10000);
  ASSERT_NE(picture, 0u);
  x11Probe probe(desktop.display());
  ASSERT_EQ(probe.children(picture).size(), 1u);
  const uint32_t canvas = probe.children(picture)[0];
  auto centre = [&] {
    std::vector<uint32_t> pixels;
    int32_t width = 0, height = 0;
    return probe.readPixels(canvas, pixels, width, height) && width == 750 && height == 750 ? pixels[375 * 750 + 375]
                                                                                             : 0xFFFFFFFFu;
  };
  ASSERT_TRUE(tmuxSession::waitFor([&] { return centre() == red; }, 10000));
  EXPECT_EQ(desktop.focusedWindow(), terminal) << "the picture took the focus";

  // Enter goes on to level 1, whose curve leaves the centre; Esc ends its
  // animation and then the program.
  ASSERT_TRUE(desktop.typeKey("Return"));
  EXPECT_TRUE(tmuxSession::waitFor([&] { return centre() != red; }, 5000)) << "Enter did not reach the program";
  EXPECT_TRUE(tmuxSession::waitFor([&] {
    desktop.typeKey("Escape");
    return !firstLine(code).empty();
  }, 5000)) << "Esc did not reach the program";
  EXPECT_EQ(firstLine(code), "0");
}

INSTANTIATE_TEST_SUITE_P(windowManagers, focusTest, ::testing::Values("openbox", "xfwm4"));

}  // namespace
