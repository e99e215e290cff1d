// The user's terminal is given back as it was found however the program
// ends: modes (stty -g before and after), cursor shown, and the screen the
// user had before, with the shell going on right below it.
#include <signal.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "tests/console/probe_support.h"
#include "tests/support/desktop.h"
#include "tests/support/ttymodes.h"

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

const std::string earlierLine = "the earlier screen of the user";

class runningProbe {
 public:
  // options as for tmuxSession.
  explicit runningProbe(const std::string& mode, const std::string& options = "")
      : log_("log"), before_("before"), after_("after"),
        tmux_(80, 25,
              "ulimit -c 0; stty -g > " + before_.path() + "; echo " + earlierLine + "; " + probePath() + " " + mode + " " + log_.path() +
                  "; printf rc=$?; stty -g > " + after_.path() + "; exec sleep 60",
              probeEnvironment(), options) {}

  // Waits for the panel; false when the probe did not get that far.
  bool drawn() {
    if (!tmux_.started() || !log_.waitForLine("drawn")) return false;
    for (const std::string& line : log_.lines())
      if (line.rfind("pid ", 0) == 0) pid_ = std::stoi(line.substr(4));
    tty_ = tmux_.format("#{pane_tty}");
    // Drawn on a clean screen of its own.
    if (screenRow(tmux_.capture(), 1) != "") return false;
    return pid_ > 0;
  }

  // Waits for the shell to finish after the probe, and checks the terminal.
  void expectRestored(int expectedStatus) {
    ASSERT_TRUE(tmux_.waitForText("rc=" + std::to_string(expectedStatus)));
    ASSERT_TRUE(waitFor([&] { return !readFile(after_.path()).empty(); }, 10000));
    EXPECT_EQ(readFile(after_.path()), readFile(before_.path()));
    EXPECT_FALSE(isRaw(sttyOf(tty_)));
    // The earlier screen is back and the shell goes on right below it; after
    // a signal it may first have said which one (a line or two).
    std::vector<std::string> screen = tmux_.capture();
    EXPECT_EQ(screenRow(screen, 1), earlierLine);
    int rcRow = 0;
    for (int row = 1; row <= 25; ++row) {
      if (screenRow(screen, row) == "rc=" + std::to_string(expectedStatus)) rcRow = row;
      EXPECT_EQ(screenRow(screen, row).find("example.org"), std::string::npos) << "row " << row;
    }
    EXPECT_TRUE(rcRow == 2 || (expectedStatus > 128 && rcRow >= 2 && rcRow <= 4)) << "rc on row " << rcRow;
    EXPECT_EQ(tmux_.format("#{cursor_flag}"), "1");
  }

  tmuxSession& tmux() { return tmux_; }
  int pid() const { return pid_; }
  const std::string& tty() const { return tty_; }

 private:
  tempFile log_, before_, after_;
  tmuxSession tmux_;
  int pid_ = 0;
  std::string tty_;
};

TEST(TerminalRestore, RawWhileRunningAndRestoredAfterANormalEnd) {
  runningProbe probe("restore");
  ASSERT_TRUE(probe.drawn());
  EXPECT_TRUE(isRaw(sttyOf(probe.tty())));
  EXPECT_EQ(probe.tmux().format("#{cursor_flag}"), "0");
  probe.tmux().sendText("q");
  probe.expectRestored(0);
}

class TerminalRestoreAfterSignal : public ::testing::TestWithParam<int> {};

TEST_P(TerminalRestoreAfterSignal, RestoredAndTheSignalTakesItsCourse) {
  runningProbe probe("restore");
  ASSERT_TRUE(probe.drawn());
  ASSERT_EQ(kill(probe.pid(), GetParam()), 0);
  // The shell sees the process end by that very signal.
  probe.expectRestored(128 + GetParam());
}

// Every signal whose default action ends the process (SIGKILL aside).
INSTANTIATE_TEST_SUITE_P(Signals, TerminalRestoreAfterSignal,
                         ::testing::Values(SIGTERM, SIGHUP, SIGINT, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL,
                                           SIGABRT, SIGPIPE, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF, SIGTRAP,
                                           SIGSYS, SIGXCPU, SIGXFSZ, SIGSTKFLT, SIGPWR, SIGIO, SIGRTMIN, SIGRTMAX));

// Where the terminal has no alternate screen, or ignores it, the panel stays
// on the screen and the shell goes on at the start of a line of its own
// below it, as after less.
class TerminalRestoreWithoutAlternateScreen : public ::testing::TestWithParam<std::string> {};

TEST_P(TerminalRestoreWithoutAlternateScreen, TheShellGoesOnOnALineOfItsOwn) {
  runningProbe probe("restore", GetParam());
  ASSERT_TRUE(probe.drawn());
  probe.tmux().sendText("q");
  ASSERT_TRUE(probe.tmux().waitForText("rc=0"));
  const std::vector<std::string> screen = probe.tmux().capture();
  int creditRow = 0, rcRow = 0;
  for (int row = 1; row <= 25; ++row) {
    if (screenRow(screen, row).find("example.org") != std::string::npos) creditRow = row;
    if (screenRow(screen, row).find("rc=0") != std::string::npos) rcRow = row;
  }
  ASSERT_GT(creditRow, 0) << "the panel is gone";
  EXPECT_GT(rcRow, creditRow);
  EXPECT_EQ(screenRow(screen, rcRow), "rc=0");
}

// A terminal type without one, and a terminal that ignores it (as
// weston-terminal does).
INSTANTIATE_TEST_SUITE_P(Terminals, TerminalRestoreWithoutAlternateScreen,
                         ::testing::Values("set -g default-terminal vt100", "set -g alternate-screen off"));


TEST(TerminalRestore, AfterACrashInTheProgram) {
  runningProbe probe("segv");
  ASSERT_TRUE(probe.drawn());
  probe.tmux().sendText("q");
  probe.expectRestored(128 + SIGSEGV);
}

TEST(TerminalRestore, RawModeComesBackAfterStopAndContinue) {
  runningProbe probe("restore");
  ASSERT_TRUE(probe.drawn());
  ASSERT_EQ(kill(probe.pid(), SIGSTOP), 0);
  // What a shell does while the job is stopped.
  ASSERT_EQ(runProgram(commandLine{"stty", "sane", "-F", probe.tty()}).status, 0);
  ASSERT_FALSE(isRaw(sttyOf(probe.tty())));
  ASSERT_EQ(kill(probe.pid(), SIGCONT), 0);
  EXPECT_TRUE(waitFor([&] { return isRaw(sttyOf(probe.tty())); }, 10000));
  // A stop request from outside: the terminal is handed back while stopped
  // and taken again afterwards; the program still reads its keys.
  ASSERT_EQ(kill(probe.pid(), SIGTSTP), 0);
  ASSERT_EQ(kill(probe.pid(), SIGCONT), 0);
  EXPECT_TRUE(waitFor([&] { return isRaw(sttyOf(probe.tty())); }, 10000));
  EXPECT_TRUE(waitFor([&] { return probe.tmux().format("#{cursor_flag}") == "0"; }, 10000));
  // Back on its own screen, painted again.
  EXPECT_TRUE(probe.tmux().waitForText("Drawing level:  O   (5 maximum)"));
  EXPECT_EQ(screenRow(probe.tmux().capture(), 1), "");
  probe.tmux().sendText("q");
  probe.expectRestored(0);
}


// The probe in `mode`, started by an interactive bash at its first prompt,
// as if typed: a job of its own, which gives the terminal to the shell.
class probeJob {
 public:
  explicit probeJob(const std::string& mode) : log_(mode), startup_("rc") {
    {
      std::ofstream rc(startup_.path());
      rc << "PROMPT_COMMAND='PROMPT_COMMAND=; " << probePath() << " " << mode << " " << log_.path() << "'\n";
    }
    tmux_ = std::make_unique<tmuxSession>(80, 25, "bash --rcfile " + startup_.path() + " -i", probeEnvironment());
  }
  ~probeJob() {
    if (pid_ > 0 && !processGone(pid_)) kill(pid_, SIGKILL);
  }
  // Waits until the job is in the background; its process id, or 0.
  pid_t inBackground() {
    if (!tmux_->started() || !log_.waitForLine("background")) return 0;
    return pid_ = std::stoi(log_.lines().at(0).substr(4));
  }
  tmuxSession& tmux() { return *tmux_; }
  const tempFile& log() const { return log_; }

 private:
  tempFile log_, startup_;
  std::unique_ptr<tmuxSession> tmux_;
  pid_t pid_ = 0;
};

// A shell that hangs up gives the terminal back to itself before it signals
// its jobs: the program, now in the background, must still end on the
// signal, not be stopped by the terminal on its way out.
TEST(TerminalRestore, EndsOnAHangUpFromTheBackground) {
  probeJob job("background");
  const pid_t pid = job.inBackground();
  ASSERT_NE(pid, 0) << job.log().text();
  ASSERT_EQ(kill(pid, SIGHUP), 0);
  EXPECT_TRUE(waitFor([&] { return processGone(pid); }, 1000));
}

// Keys typed while the job is in the background fail to read at once; once
// it is in front again, it reads them as before.
TEST(TerminalRestore, KeysComeAgainAfterTheBackground) {
  probeJob job("away");
  const pid_t pid = job.inBackground();
  ASSERT_NE(pid, 0) << job.log().text();
  job.tmux().sendText("x");
  usleep(300000);
  ASSERT_EQ(kill(pid, SIGUSR1), 0);
  ASSERT_TRUE(job.log().waitForLine("front")) << job.log().text();
  EXPECT_TRUE(job.log().waitForLine("key 120")) << job.log().text();  // x
}

// The probe as a job of an interactive bash that the test types to: the
// terminal must be the program's whenever the job is in front, however it
// got there, and the shell's, untouched, whenever it is not.
TEST(TerminalRestore, TakesTheTerminalBackWheneverTheJobIsInFront) {
  tmuxSession tmux(80, 25, "PS1='$ ' exec bash --norc --noprofile -i", probeEnvironment());
  ASSERT_TRUE(tmux.started());
  const std::string tty = tmux.format("#{pane_tty}");
  auto type = [&](const std::string& line) {
    tmux.sendText(line);
    tmux.sendKeys({"Enter"});
  };
  auto panelShown = [&] {
    for (const std::string& row : tmux.capture())
      if (row.find("Drawing level") != std::string::npos) return true;
    return false;
  };
  auto programs = [&] {
    return waitFor([&] {
      return isRaw(sttyOf(tty)) && tmux.format("#{alternate_on}") == "1" && tmux.format("#{cursor_flag}") == "0" &&
             panelShown();
    }, 10000);
  };
  // The shell answers (its output, not the line typed) on its own screen.
  auto shells = [&](const std::string& marker) {
    type("echo " + marker + "-$((6*7))");
    return tmux.waitForText(marker + "-42") && !isRaw(sttyOf(tty)) && tmux.format("#{alternate_on}") == "0" &&
           !panelShown();
  };
  const auto pidOf = [](const tempFile& log) {
    return log.waitForLine("drawn") ? std::stoi(log.lines().at(0).substr(4)) : 0;
  };

  // fg gives the program the terminal again; q ends it with status 0. The
  // shell's next line waits until the program is gone, so that none of it
  // reaches the program's key reader on a slow machine.
  const auto toTheFrontAndQuit = [&](const std::string& name, pid_t program, const char* when) {
    type("fg");
    EXPECT_TRUE(programs()) << when;
    tmux.sendText("q");
    EXPECT_TRUE(waitFor([&] { return kill(program, 0) != 0; })) << when;
    type("echo " + name + "=$?-$((6*7))");
    EXPECT_TRUE(tmux.waitForText(name + "=0-42"));
  };

  // Stopped, continued in the background, then brought to the front.
  tempFile first("first");
  type(probePath() + " restore " + first.path());
  const pid_t pid = pidOf(first);
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(programs());
  ASSERT_EQ(kill(pid, SIGTSTP), 0);
  EXPECT_TRUE(tmux.waitForText("Stopped"));
  type("bg");
  EXPECT_TRUE(shells("shell-after-bg"));
  toTheFrontAndQuit("first", pid, "fg after bg");

  // Started in the background: nothing on the terminal until fg.
  tempFile second("second");
  type(probePath() + " restore " + second.path() + " &");
  const pid_t secondPid = pidOf(second);
  ASSERT_NE(secondPid, 0);
  EXPECT_TRUE(shells("shell-after-start"));
  toTheFrontAndQuit("second", secondPid, "fg after a start in the background");
}

}  // namespace
