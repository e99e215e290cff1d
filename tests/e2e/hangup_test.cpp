// Closing the terminal ends the program at once, every time: a real xterm
// with an interactive bash under a real window manager (openbox), the
// program started from the shell as a job of its own, the xterm closed by
// its close box. Nothing on the way out may stop the process or wait on the
// terminal that is gone.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tests/support/x11probe.h"
#include "tests/support/desktop.h"
#include "tests/support/tmux.h"

namespace {

TEST(Hangup, ClosingTheTerminalEndsTheProgram) {
  testDesktop desktop("openbox");
  ASSERT_TRUE(desktop.ready()) << "no Xvfb with openbox";
  x11Probe probe(desktop.display());
  ASSERT_TRUE(probe.connected());

  // The first prompt starts the program, as if typed, in a job of its own.
  const std::string startup = "/tmp/h3d-hangup-" + std::to_string(getpid()) + ".rc";
  if (FILE* f = std::fopen(startup.c_str(), "w")) {
    std::fprintf(f, "PROMPT_COMMAND='PROMPT_COMMAND=; %s'\n", HILBERT3D_PROGRAM);
    std::fclose(f);
  }
  for (int round = 1; round <= 10; ++round) {
    const std::string title = "h3d hangup " + std::to_string(round);
    const pid_t xterm = desktop.startXterm(title, "exec bash --rcfile " + startup + " -i");
    const uint32_t terminal = desktop.findWindow(title, 10000);
    ASSERT_NE(terminal, 0u) << "round " << round;
    ASSERT_TRUE(waitFor([&] { return !probe.property(terminal, "_NET_FRAME_EXTENTS").empty(); }, 10000))
        << "openbox does not manage the terminal";
    const uint32_t picture = probe.findWindow("Hilbert Curve in 3D", 10000);
    ASSERT_NE(picture, 0u) << "round " << round;
    std::string pidBytes;
    auto pidKnown = [&] { return (pidBytes = probe.property(picture, "_NET_WM_PID")).size() == sizeof(long); };
    ASSERT_TRUE(waitFor(pidKnown, 10000)) << "round " << round;
    const pid_t program = static_cast<pid_t>(*reinterpret_cast<const long*>(pidBytes.data()));

    ASSERT_TRUE(probe.sendDeleteWindow(terminal));
    EXPECT_TRUE(waitFor([&] { return processGone(program); }, 1000)) << "round " << round;
    if (!processGone(program)) kill(program, SIGKILL);
    ASSERT_TRUE(probe.waitGone(picture, 10000));
    EXPECT_TRUE(desktop.xtermEnded(xterm, 5000)) << "round " << round;
  }
  std::remove(startup.c_str());
}

}  // namespace
