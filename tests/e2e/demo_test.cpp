// The real program in a real terminal (tmux, xterm) against a real X server (Xvfb), under
// real window managers.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "app/curve.h"
#include "app/program.h"
#include "app/state.h"
#include "app/view.h"
#include "tests/support/x11probe.h"
#include "runtime/maths.h"
#include "tests/support/desktop.h"
#include "tests/support/tmux.h"
#include "tests/support/ttymodes.h"
#include "tests/support/xvfb.h"

namespace {

constexpr uint32_t red = 0x0000FF;
constexpr uint32_t face = 0xC8D0D4;
const std::string caption = "Hilbert Curve in 3D";
const std::string statusAt0 = "Drawing level:  O   (5 maximum)";
const std::string earlierLine = "what the terminal showed before";

std::string statusAt(int level) { return "Drawing level:  " + std::to_string(level) + "   (5 maximum)"; }

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

struct canvasPoint {
  int32_t x, y;
};

// Where point i of `level` lands on the canvas in the first view.
canvasPoint expectedPixel(int32_t targetLevel, int32_t i) {
  for (dynArray* a : {&pointX, &pointY, &pointZ, &scaledX, &scaledY, &scaledZ}) arrayErase(*a);
  setFirstView();
  setLevelZero();
  while (level < targetLevel) {
    growArrays();
    buildNextLevel();
    ++level;
  }
  const projectedPoint p = projectPoint(i == -1 ? pointCount : i, levelScale());
  return {roundToInt((static_cast<long double>(p.x) + 750) * 0.5L),
          750 - roundToInt((static_cast<long double>(p.y) + 750) * 0.5L)};
}

class DemoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/h3d-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Runs the program in an 80 x 25 terminal below a line of the user's,
  // recording the terminal's modes before and after, its exit code and what
  // it wrote on standard error (left on the screen with keepStderr).
  std::string command(const std::string& prefix = "", bool keepStderr = false) const {
    return "stty -g > " + dir_ + "/before; echo " + earlierLine + "; " + prefix + HILBERT3D_PROGRAM +
           (keepStderr ? "" : " 2> " + dir_ + "/stderr") + "; echo $? > " + dir_ + "/code; stty -g > " + dir_ +
           "/after; exec sleep 60";
  }
  std::string exitCode() const {
    std::string code = readFile(dir_ + "/code");
    while (!code.empty() && code.back() == '\n') code.pop_back();
    return code;
  }
  // The shell waits after the program, so that the screen stays as it left it.
  bool programEnded() const {
    return waitFor([&] { return !readFile(dir_ + "/after").empty(); }, 20000);
  }
  // Exit code 0, the modes as they were, and the user's screen back
  // without the program's text.
  void expectCleanEnd(tmuxSession& terminal) {
    ASSERT_TRUE(programEnded());
    EXPECT_EQ(exitCode(), "0");
    EXPECT_FALSE(readFile(dir_ + "/before").empty());
    EXPECT_EQ(readFile(dir_ + "/before"), readFile(dir_ + "/after"));
    const std::vector<std::string> screen = terminal.capture();
    ASSERT_FALSE(screen.empty());
    EXPECT_EQ(screen[0], earlierLine);
    for (const std::string& row : screen) EXPECT_EQ(row.find("Drawing level"), std::string::npos) << row;
  }

  std::string dir_;
};

// The picture window's canvas: the frame's one child, which the window
// thread makes just after the frame, so a test that found the frame by its
// title waits for it. 0 when it does not come, or when there are more.
uint32_t canvasOf(x11Probe& probe, uint32_t frame) {
  std::vector<uint32_t> children;
  waitFor([&] { return !(children = probe.children(frame)).empty(); }, 10000);
  return children.size() == 1 ? children[0] : 0;
}

class canvasView {
 public:
  canvasView(x11Probe& probe, uint32_t canvas) : probe_(probe), canvas_(canvas) {}
  bool read() { return probe_.readPixels(canvas_, pixels_, width_, height_) && width_ == 750 && height_ == 750; }
  uint32_t at(int32_t x, int32_t y) const { return pixels_[static_cast<size_t>(y) * 750 + x]; }
  const std::vector<uint32_t>& pixels() const { return pixels_; }
  // Polls the window until `condition` holds for what it shows.
  template <class Condition>
  bool waitToShow(Condition condition, int timeoutMs) {
    return waitFor([&] { return read() && condition(*this); }, timeoutMs);
  }

 private:
  x11Probe& probe_;
  uint32_t canvas_;
  std::vector<uint32_t> pixels_;
  int32_t width_ = 0, height_ = 0;
};

TEST_F(DemoTest, RunsThroughTheLevelsAndTurnsTheView) {
  const std::string& display = testXServer::display();
  ASSERT_FALSE(display.empty()) << "no Xvfb";
  tmuxSession terminal(80, 25, command(), {"DISPLAY=" + display, "LANG=C.UTF-8"});
  ASSERT_TRUE(terminal.started());
  x11Probe probe(display);
  ASSERT_TRUE(probe.connected());

  const uint32_t frame = probe.findWindow(caption, 10000);
  ASSERT_NE(frame, 0u);
  const uint32_t canvasWindow = canvasOf(probe, frame);
  ASSERT_NE(canvasWindow, 0u);
  canvasView canvas(probe, canvasWindow);
  x11Probe::geometry where;
  ASSERT_TRUE(probe.windowGeometry(frame, where));
  EXPECT_EQ(where.x, 5);
  EXPECT_EQ(where.y, 0);

  // Level 0: one red disc in the middle, the face colour everywhere else.
  ASSERT_TRUE(terminal.waitForText(statusAt0));
  ASSERT_TRUE(canvas.waitToShow([](const canvasView& c) { return c.at(375, 375) == red; }, 10000));
  EXPECT_EQ(canvas.at(10, 10), face);
  EXPECT_EQ(canvas.at(375, 360), face);

  // Enter starts the animation of level 1; a key finishes it at once.
  terminal.sendKeys({"Enter"});
  ASSERT_TRUE(terminal.waitForText(statusAt(1)));
  terminal.sendKeys({"Space"});
  const canvasPoint first = expectedPixel(1, 1);
  const canvasPoint last = expectedPixel(1, 8);
  EXPECT_EQ(first.x, 207);
  EXPECT_EQ(first.y, 504);
  EXPECT_EQ(last.x, 424);
  EXPECT_EQ(last.y, 583);
  ASSERT_TRUE(canvas.waitToShow(
      [&](const canvasView& c) { return c.at(first.x, first.y) == red && c.at(last.x, last.y) == red; }, 10000));
  EXPECT_EQ(canvas.at(375, 375), face) << "the level-1 curve does not pass through the centre";
  EXPECT_EQ(canvas.at(20, 20), face);
  EXPECT_EQ(canvas.at(730, 730), face);
  const std::vector<uint32_t> firstView = canvas.pixels();

  // Each right arrow turns the view; 72 of them bring the first picture back.
  for (int turn = 1; turn <= 72; ++turn) {
    const std::vector<uint32_t> before = canvas.pixels();
    terminal.sendKeys({"Right"});
    ASSERT_TRUE(canvas.waitToShow([&](const canvasView& c) { return c.pixels() != before; }, 10000)) << "turn " << turn;
    if (turn < 72) {
      EXPECT_NE(canvas.pixels(), firstView) << "turn " << turn;
    }
  }
  EXPECT_TRUE(canvas.pixels() == firstView);

  // Level 2 animates for several seconds; a key ends it and the whole level
  // is shown with its end disc.
  terminal.sendKeys({"Enter"});
  ASSERT_TRUE(terminal.waitForText(statusAt(2)));
  terminal.sendKeys({"Space"});
  const canvasPoint end2 = expectedPixel(2, -1);
  EXPECT_TRUE(canvas.waitToShow([&](const canvasView& c) { return c.at(end2.x, end2.y) == red; }, 4000));

  terminal.sendKeys({"Escape"});
  expectCleanEnd(terminal);
  EXPECT_EQ(readFile(dir_ + "/stderr"), "");
}

TEST_F(DemoTest, GoesOnInTheTerminalAfterTheWindowIsClosed) {
  const std::string& display = testXServer::display();
  ASSERT_FALSE(display.empty()) << "no Xvfb";
  tmuxSession terminal(80, 25, command(), {"DISPLAY=" + display});
  ASSERT_TRUE(terminal.started());
  x11Probe probe(display);
  const uint32_t frame = probe.findWindow(caption, 10000);
  ASSERT_NE(frame, 0u);
  ASSERT_TRUE(terminal.waitForText(statusAt0));

  terminal.sendKeys({"Enter"});
  ASSERT_TRUE(terminal.waitForText(statusAt(1)));
  ASSERT_TRUE(probe.sendDeleteWindow(frame));  // in the middle of the animation
  ASSERT_TRUE(probe.waitGone(frame, 10000));

  terminal.sendKeys({"Space"});
  terminal.sendKeys({"Enter"});
  ASSERT_TRUE(terminal.waitForText(statusAt(2)));
  terminal.sendKeys({"Space"});
  terminal.sendKeys({"Escape"});
  expectCleanEnd(terminal);
  EXPECT_EQ(readFile(dir_ + "/stderr"), "");
}

// Without a window the program still runs in the terminal, and says why
// once, after the user's screen came back, so that it stays visible. A
// server that turns it away is not let to write on the panel meanwhile.
TEST_F(DemoTest, RunsInTheTerminalWithoutAWindowAndSaysWhyAtTheEnd) {
  ASSERT_TRUE(addCookie(dir_ + "/cookies", ":0", "0123456789abcdef0123456789abcdef"));
  xvfbServer guarded("640x480x24", true, (dir_ + "/cookies").c_str());
  ASSERT_FALSE(guarded.name().empty()) << "Xvfb could not be started";
  const struct {
    std::string environment, why;
  } cases[] = {
      {"-u DISPLAY", "no display (DISPLAY is not set)"},
      {"DISPLAY=" + guarded.name() + " XAUTHORITY=" + dir_ + "/none",
       "display " + guarded.name() +
           " refused the connection: Authorization required, but no authorization protocol specified"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.environment);
    std::remove((dir_ + "/after").c_str());
    tmuxSession terminal(80, 25, command("env " + c.environment + " ", true));
    ASSERT_TRUE(terminal.started());
    ASSERT_TRUE(terminal.waitForText(statusAt0));
    terminal.sendKeys({"Enter"});
    ASSERT_TRUE(terminal.waitForText(statusAt(1)));
    for (const std::string& row : terminal.capture()) EXPECT_EQ(row.find("uthoriz"), std::string::npos) << row;
    terminal.sendKeys({"Space"});
    terminal.sendKeys({"Escape"});
    expectCleanEnd(terminal);
    const std::vector<std::string> screen = terminal.capture();
    std::string said;
    for (size_t row = 1; row < screen.size(); ++row) said += screen[row];
    while (!said.empty() && said.back() == ' ') said.pop_back();
    EXPECT_EQ(said, "hilbert3d: no window could be opened: " + c.why);
  }
}

// Level 5 under an address-space limit that holds its points but not also
// its picture: the program ends at once, leaves the terminal as it found it
// and says why, in one line.
TEST_F(DemoTest, EndsCleanlyAndSaysWhyWhenALevelsPictureFindsNoMemory) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the sanitizers' allocators reserve far more than any such limit";
#endif
  tmuxSession terminal(80, 25, command("env -u DISPLAY sh -c 'echo $$ > " + dir_ + "/pid; exec \"$0\"' "));
  ASSERT_TRUE(terminal.started());
  ASSERT_TRUE(terminal.waitForText(statusAt0));
  for (int shown = 1; shown <= 4; ++shown) {
    terminal.sendKeys({"Enter"});
    ASSERT_TRUE(terminal.waitForText(statusAt(shown)));
    terminal.sendKeys({"Space"});
  }
  usleep(300000);  // level 4 is on show
  const pid_t pid = std::atoi(readFile(dir_ + "/pid").c_str());
  const std::string status = readFile("/proc/" + std::to_string(pid) + "/status");
  const size_t field = status.find("VmSize:");
  ASSERT_NE(field, std::string::npos);
  const rlim_t used = std::strtoull(status.c_str() + field + 7, nullptr, 10) * 1024;
  // Level 5 needs six arrays of 128 KiB for its points, then six more for
  // its picture.
  const rlimit limit{used + 1150 * 1024, used + 1150 * 1024};
  ASSERT_EQ(prlimit(pid, RLIMIT_AS, &limit, nullptr), 0);

  terminal.sendKeys({"Enter"});
  ASSERT_TRUE(terminal.waitForText(statusAt(5)));
  terminal.sendKeys({"Space"});
  ASSERT_TRUE(programEnded());
  EXPECT_EQ(exitCode(), "1");
  EXPECT_EQ(readFile(dir_ + "/before"), readFile(dir_ + "/after"));
  const std::string why = readFile(dir_ + "/stderr");
  EXPECT_NE(why.find("\nhilbert3d: out of memory: level 5 cannot be shown\n"), std::string::npos) << why;
}

TEST_F(DemoTest, EscapeAtLevelZeroEndsAtOnce) {
  tmuxSession terminal(80, 25, command("env -u DISPLAY "));
  ASSERT_TRUE(terminal.started());
  ASSERT_TRUE(terminal.waitForText(statusAt0));
  terminal.sendKeys({"Escape"});
  expectCleanEnd(terminal);
}

// Started where it cannot be steered, or cannot show its panel: it says why
// in one line once the terminal is back, leaves the terminal as it was, and
// where it cannot read keys it ends at once without running. Where it runs,
// none of its own descriptors stands in for standard input, output or error.
struct startEnvironment {
  std::string name;
  std::string before;     // the command line before the launcher (setsid, env)
  std::string redirects;  // applied to the program itself
  std::string said;       // what standard error shows first; "" nothing
  std::string exitCode;
};

void PrintTo(const startEnvironment& start, std::ostream* out) { *out << start.name; }

class StartTest : public DemoTest, public ::testing::WithParamInterface<startEnvironment> {};

bool ownDescriptor(const std::string& target) {
  return target.rfind("socket:", 0) == 0 || target.rfind("pipe:", 0) == 0 || target.rfind("anon_inode:", 0) == 0;
}

TEST_P(StartTest, SaysWhatIsMissingAndLeavesTheTerminalAsItWas) {
  const startEnvironment& start = GetParam();
  const std::string launcher =
      start.before + "sh -c 'echo $$ > " + dir_ + "/pid; exec \"$0\"" + start.redirects + "' ";
  tmuxSession terminal(80, 25, command(launcher));
  ASSERT_TRUE(terminal.started());
  const bool runs = start.exitCode == "0";
  if (runs) {
    // Running, the terminal in raw mode for its keys, no panel: Esc ends it.
    const std::string tty = terminal.format("#{pane_tty}");
    ASSERT_TRUE(waitFor([&] { return isRaw(sttyOf(tty)); }, 10000));
    const std::string pid = std::to_string(std::atoi(readFile(dir_ + "/pid").c_str()));
    for (int fd = 0; fd <= 2; ++fd) {
      char target[256] = {};
      const std::string link = "/proc/" + pid + "/fd/" + std::to_string(fd);
      ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0) << "descriptor " << fd << " closed";
      EXPECT_FALSE(ownDescriptor(target)) << "descriptor " << fd << " is " << target;
    }
    EXPECT_TRUE(waitFor([&] {
      terminal.sendKeys({"Escape"});
      usleep(300000);  // one Esc at a time, not a sequence
      return !exitCode().empty();
    }, 10000));
  }
  ASSERT_TRUE(programEnded());
  EXPECT_EQ(exitCode(), start.exitCode);
  EXPECT_EQ(readFile(dir_ + "/before"), readFile(dir_ + "/after"));
  EXPECT_EQ(terminal.capture().at(0), earlierLine);
  const std::string said = readFile(dir_ + "/stderr");
  if (start.said.empty()) {
    EXPECT_EQ(said, "");
  } else if (!runs) {
    // Nothing else: the program itself never ran, so no window was tried.
    EXPECT_EQ(said, start.said + "\n");
  } else {
    EXPECT_EQ(said.substr(0, said.find('\n')), start.said);
    EXPECT_EQ(said.find("no key panel"), said.rfind("no key panel")) << said;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Environments, StartTest,
    ::testing::Values(
        startEnvironment{"noTerminal", "setsid -w env -u DISPLAY ", " </dev/null >/dev/null",
                         "hilbert3d: needs a terminal to read its keys from", "1"},
        startEnvironment{"noThreadForTheKeys",
                         "env -u DISPLAY LD_PRELOAD=" REFUSE_THREADS_SHIM " ASAN_OPTIONS=verify_asan_link_order=0 ", "",
                         "hilbert3d: no thread could be started to read the keys", "1"},
        startEnvironment{"termUnset", "env -u DISPLAY -u TERM ", "",
                         "hilbert3d: no key panel: TERM is not set, so the cursor cannot be placed", "0"},
        startEnvironment{"termDumb", "env -u DISPLAY TERM=dumb ", "",
                         "hilbert3d: no key panel: the terminal type \"dumb\" cannot place the cursor", "0"},
        startEnvironment{"termUnknown", "env -u DISPLAY TERM=h3d-unknown ", "",
                         "hilbert3d: no key panel: the terminal type \"h3d-unknown\" is not known to terminfo", "0"},
        startEnvironment{"standardDescriptorsClosed", "env -u DISPLAY ", " <&- >&- 2>&-", "", "0"}),
    [](const ::testing::TestParamInfo<startEnvironment>& info) { return info.param.name; });

// Under real window managers the picture appears without taking the
// keyboard focus, so keys typed go on reaching the program, even where it
// cannot find the terminal's window to give the focus back.
class FocusTest : public DemoTest, public ::testing::WithParamInterface<std::string> {};

const std::string xtermTitle = "h3d focus test";
// No process has this id: the xterm cannot be told from its process.
constexpr long strangerPid = 0x3fffffff;

TEST_P(FocusTest, TheTerminalKeepsTheFocusAndTheKeys) {
  testDesktop desktop(GetParam());
  ASSERT_TRUE(desktop.ready()) << GetParam() << " did not start";
  // The program starts once the xterm has lost its process id; it has no
  // WINDOWID and the xterm refuses titles.
  const std::string gate = dir_ + "/gate";
  desktop.startXterm(xtermTitle, "while [ ! -e " + gate + " ]; do sleep 0.01; done; " + command("env -u WINDOWID "),
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
  const uint32_t canvasWindow = canvasOf(probe, picture);
  ASSERT_NE(canvasWindow, 0u);
  canvasView canvas(probe, canvasWindow);
  const auto centreIsRed = [](const canvasView& c) { return c.at(375, 375) == red; };
  ASSERT_TRUE(canvas.waitToShow(centreIsRed, 10000));
  EXPECT_EQ(desktop.focusedWindow(), terminal) << "the picture took the focus";

  // Enter goes on to level 1, whose curve leaves the centre; Esc ends its
  // animation and then the program.
  ASSERT_TRUE(desktop.typeKey("Return"));
  EXPECT_TRUE(canvas.waitToShow(std::not_fn(centreIsRed), 5000)) << "Enter did not reach the program";
  EXPECT_TRUE(waitFor([&] {
    desktop.typeKey("Escape");
    return !exitCode().empty();
  }, 5000)) << "Esc did not reach the program";
  EXPECT_EQ(exitCode(), "0");
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, FocusTest, ::testing::Values("openbox", "xfwm4"));

}  // namespace
