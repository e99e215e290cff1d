// The terminal's own X11 window: found, moved to (750, 200) and given the
// focus, its title left as it was. xterm on a private Xvfb, no window manager.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/x11terminalwindow.h"
#include "tests/console/probe_support.h"
#include "tests/support/xvfb.h"

namespace {

const char* const xtermTitle = "h3d console window test";

class xtermWithProbe {
 public:
  // keepWindowId false: the probe cannot use $WINDOWID and must find its
  // window by the title trick.
  xtermWithProbe(const std::string& display, const std::string& log, bool keepWindowId) {
    pid_ = fork();
    if (pid_ == 0) {
      setenv("DISPLAY", display.c_str(), 1);
      setenv("LC_ALL", "C.UTF-8", 1);
      std::string probe = probePath();
      if (keepWindowId)
        execlp("xterm", "xterm", "-T", xtermTitle, "-geometry", "80x25+10+10", "-e", probe.c_str(), "window",
               log.c_str(), static_cast<char*>(nullptr));
      else
        execlp("xterm", "xterm", "-T", xtermTitle, "-geometry", "80x25+10+10", "-e", "env", "-u", "WINDOWID",
               probe.c_str(), "window", log.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~xtermWithProbe() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  xtermWithProbe(const xtermWithProbe&) = delete;
  xtermWithProbe& operator=(const xtermWithProbe&) = delete;

 private:
  pid_t pid_ = -1;
};

// The window the probe reported, once it has moved and raised it.
uint32_t reportedWindow(const tempFile& log) {
  uint32_t window = 0;
  tmuxSession::waitFor([&] {
    for (const std::string& line : log.lines())
      if (line.rfind("window ", 0) == 0) window = static_cast<uint32_t>(std::stoul(line.substr(7)));
    return window != 0;
  }, 30000);
  return window;
}

void expectMovedAndFocused(bool keepWindowId) {
  const std::string& display = testXServer::display();
  ASSERT_FALSE(display.empty()) << "Xvfb did not start";
  tempFile log(keepWindowId ? "windowid" : "title");
  xtermWithProbe xterm(display, log.path(), keepWindowId);
  uint32_t window = reportedWindow(log);
  ASSERT_NE(window, 0u) << log.text();
  x11WindowFacts facts;
  ASSERT_TRUE(x11QueryWindow(display.c_str(), window, facts));
  EXPECT_EQ(facts.frameX, 750);
  EXPECT_EQ(facts.frameY, 200);
  EXPECT_TRUE(facts.hasFocus);
  EXPECT_EQ(facts.title, xtermTitle);
}

TEST(ConsoleWindow, FoundThroughWindowIdMovedAndFocused) { expectMovedAndFocused(true); }

TEST(ConsoleWindow, FoundByItsTitleWhichComesBackUnchanged) { expectMovedAndFocused(false); }

TEST(ConsoleWindow, QueriesOfAWindowThatIsNotThereFail) {
  const std::string& display = testXServer::display();
  ASSERT_FALSE(display.empty());
  x11WindowFacts facts;
  EXPECT_FALSE(x11QueryWindow(display.c_str(), 0x7ffffff0u, facts));
  EXPECT_EQ(x11FindWindowByTitle(display.c_str(), "no window has this title"), 0u);
  EXPECT_EQ(x11TopLevelWindow(display.c_str(), 0x7ffffff0u), 0u);
  EXPECT_FALSE(x11DisplayAvailable(":4999"));
}

}  // namespace
