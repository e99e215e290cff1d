// The terminal's own X11 window: found through WINDOWID, through the
// terminal's process or by a title it shows for a moment; moved to
// (750, 200) and given the focus, its title left as it was; and given up
// on quickly where it cannot be found. xterm on a private Xvfb, no window
// manager.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>

#include "platform/x11terminalwindow.h"
#include "tests/console/probe_support.h"
#include "tests/support/desktop.h"
#include "tests/support/process.h"
#include "tests/support/x11probe.h"

namespace {

const char* const xtermTitle = "h3d console window test";
// No process has this id: a terminal window that claims it is no ancestor's.
constexpr long strangerPid = 0x3fffffff;

enum class findBy { windowId, process, title, nothing };

struct searchResult {
  uint32_t window = 0;
  std::chrono::milliseconds took{0};
  std::string log;
};

// Runs the probe's window mode in an xterm and reports the window it found
// and how long it took from its start to that report. Only the way named
// can find the window: the others are taken away.
searchResult runProbe(testDesktop& desktop, findBy how) {
  searchResult result;
  tempFile log("window"), gate("gate");
  const bool keepWindowId = how == findBy::windowId;
  const bool titlesAllowed = how == findBy::title || how == findBy::windowId;
  // Started once the xterm's properties are set.
  const std::string command = "while [ ! -e " + gate.path() + " ]; do sleep 0.01; done; exec env " +
                              (keepWindowId ? "" : "-u WINDOWID ") + "LC_ALL=C.UTF-8 " + probePath() +
                              " window " + log.path();
  // For the title: a window of the test's own process, below the xterm.
  // With the xterm claiming the same process, the process has two windows
  // and neither may be taken for the terminal's.
  x11Probe probe(desktop.display());
  if (how == findBy::title) {
    const uint32_t decoy = probe.cover(1200, 800, 50, 50, 0);
    desktop.setCardinal(decoy, "_NET_WM_PID", getpid());
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    desktop.setString(decoy, "WM_CLIENT_MACHINE", host);
  }
  const std::string titles = std::string("XTerm*allowTitleOps: ") + (titlesAllowed ? "true" : "false");
  desktop.startXterm(xtermTitle, command, {"-xrm", titles});
  const uint32_t xterm = desktop.findWindow(xtermTitle, 10000);
  if (xterm == 0) return result;
  if (how == findBy::title) desktop.setCardinal(xterm, "_NET_WM_PID", getpid());
  if (how == findBy::nothing) desktop.setCardinal(xterm, "_NET_WM_PID", strangerPid);
  const auto start = std::chrono::steady_clock::now();
  std::ofstream(gate.path()).put('\n');
  waitFor([&] {
    for (const std::string& line : log.lines())
      if (line.rfind("window ", 0) == 0) {
        result.window = static_cast<uint32_t>(std::stoul(line.substr(7)));
        return true;
      }
    return false;
  }, 10000);
  result.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  result.log = log.text();
  EXPECT_EQ(result.window == 0, how == findBy::nothing) << result.log;
  if (result.window != 0) {
    EXPECT_EQ(result.window, xterm);
  }
  return result;
}

void expectMovedAndFocused(findBy how) {
  testDesktop desktop("");
  ASSERT_TRUE(desktop.ready()) << "Xvfb did not start";
  const searchResult found = runProbe(desktop, how);
  ASSERT_NE(found.window, 0u) << found.log;
  // No window manager: the xterm's window, with its border, is its own frame.
  x11Probe probe(desktop.display());
  x11Probe::geometry where;
  ASSERT_TRUE(probe.windowGeometry(found.window, where));
  EXPECT_EQ(where.x - where.border, 750);
  EXPECT_EQ(where.y - where.border, 200);
  EXPECT_EQ(desktop.focusedWindow(), found.window);
  EXPECT_EQ(probe.property(found.window, "WM_NAME"), xtermTitle);
}

TEST(ConsoleWindow, FoundThroughWindowIdMovedAndFocused) { expectMovedAndFocused(findBy::windowId); }

TEST(ConsoleWindow, FoundAsTheOnlyWindowOfAnAncestorProcess) { expectMovedAndFocused(findBy::process); }

TEST(ConsoleWindow, FoundByItsTitleWhichComesBackUnchanged) { expectMovedAndFocused(findBy::title); }

// The move, the activation and the look-up each search again; none may
// hold up the panel for long.
TEST(ConsoleWindow, AWindowThatCannotBeFoundIsGivenUpQuickly) {
  testDesktop desktop("");
  ASSERT_TRUE(desktop.ready()) << "Xvfb did not start";
  const searchResult found = runProbe(desktop, findBy::nothing);
  EXPECT_EQ(found.window, 0u);
  EXPECT_LT(found.took.count(), 1000) << "three searches";
}

// An IDE or a launcher: a process that owns one window and runs the program
// on a terminal whose master side a child of its own (script, here) holds.
// Its window is not the terminal's: it is neither moved nor focused.
TEST(ConsoleWindow, AnAncestorsWindowIsLeftAloneUnlessItHoldsTheTerminal) {
  testDesktop desktop("");
  ASSERT_TRUE(desktop.ready()) << "Xvfb did not start";
  x11Probe probe(desktop.display());
  const uint32_t ide = probe.cover(1200, 800, 50, 50, 0);
  desktop.setCardinal(ide, "_NET_WM_PID", getpid());
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  desktop.setString(ide, "WM_CLIENT_MACHINE", host);
  tempFile log("window");
  const std::string command = "exec script -qec 'exec env -u WINDOWID -u TMUX DISPLAY=" + desktop.display() +
                              " LC_ALL=C.UTF-8 " + probePath() + " window " + log.path() + "' /dev/null";
  const commandLine shell{"/bin/sh", "-c", command};
  int keys[2];
  ASSERT_EQ(pipe(keys), 0);
  const pid_t launcher = startChild([&] {
    dup2(keys[0], 0);
    close(keys[1]);
    return shell.exec();
  });
  close(keys[0]);
  ASSERT_GT(launcher, 0);
  EXPECT_TRUE(log.waitForLines(1)) << "the probe did not report";
  // script passes the key on to the terminal, and the probe ends.
  EXPECT_EQ(write(keys[1], "\r", 1), 1);
  close(keys[1]);
  EXPECT_EQ(exitStatusOf(launcher), 0);
  const std::vector<std::string> lines = log.lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "window 0"), lines.end()) << log.text();
  x11Probe::geometry where;
  ASSERT_TRUE(probe.windowGeometry(ide, where));
  EXPECT_EQ(where.x, 1200);
  EXPECT_EQ(where.y, 800);
  EXPECT_NE(desktop.focusedWindow(), ide);
}

TEST(ConsoleWindow, QueriesOfAWindowThatIsNotThereFail) {
  const std::string& server = testXServer::display();
  ASSERT_FALSE(server.empty());
  const char* display = server.c_str();
  const x11Deadline later = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
  EXPECT_EQ(x11FindWindowRetitled(display, "no window has this title", [] {}, later), 0u);
  EXPECT_EQ(x11FindWindowOfProcesses(display, {static_cast<int32_t>(getpid())}, later), 0u);
  EXPECT_EQ(x11TopLevelWindow(display, 0x7ffffff0u), 0u);
  EXPECT_FALSE(x11DisplayAvailable(":4999"));
}

}  // namespace
