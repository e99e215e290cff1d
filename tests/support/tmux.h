#pragma once
// A private tmux server with one session, for tests that need a real
// terminal: its own socket (-L), no user configuration, no status line, and
// panes kept on screen after their program ends.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/process.h"
#include "tests/support/waitfor.h"

class tmuxSession {
 public:
  // Starts `command` (run by sh -c) in a detached session of width x height
  // cells. environment holds NAME=value entries for the pane; options, tmux
  // commands for its configuration (e.g. "set -g alternate-screen off").
  tmuxSession(int width, int height, const std::string& command, const std::vector<std::string>& environment = {},
              const std::string& options = "") {
    static int serial = 0;
    socket_ = "h3d-test-" + std::to_string(getpid()) + "-" + std::to_string(++serial);
    config_ = "/tmp/" + socket_ + ".conf";
    if (FILE* f = std::fopen(config_.c_str(), "w")) {
      std::fputs("set -g status off\nset -g remain-on-exit on\nset -g escape-time 0\nset -g history-limit 0\n", f);
      std::fprintf(f, "%s\n", options.c_str());
      std::fclose(f);
    }
    std::vector<std::string> args = {"-f", config_, "new-session", "-d", "-x", std::to_string(width),
                                     "-y", std::to_string(height)};
    for (const std::string& e : environment) {
      args.push_back("-e");
      args.push_back(e);
    }
    args.push_back(command);
    // The server this starts inherits the client's descriptors: no pipe here,
    // or reading it would wait for the server to end.
    started_ = run(args, false).status == 0;
  }
  ~tmuxSession() {
    run({"kill-server"}, false);
    std::remove(config_.c_str());
  }
  tmuxSession(const tmuxSession&) = delete;
  tmuxSession& operator=(const tmuxSession&) = delete;

  bool started() const { return started_; }

  // Keys by tmux name ("Enter", "Escape", "Up", "M-q", "C-c", "F1", ...).
  void sendKeys(const std::vector<std::string>& keys) {
    std::vector<std::string> args = {"send-keys"};
    args.insert(args.end(), keys.begin(), keys.end());
    run(args);
  }
  // Makes the window width x height cells, as a user dragging its edge would.
  void resize(int width, int height) {
    run({"resize-window", "-x", std::to_string(width), "-y", std::to_string(height)});
  }
  // Text typed as it stands.
  void sendText(const std::string& text) { run({"send-keys", "-l", text}); }

  // The visible screen, one string per row (UTF-8, trailing blanks kept
  // only as far as tmux keeps them); with escapes, also the sequences that
  // set attributes and character sets (SO/SI for the line-drawing set).
  std::vector<std::string> capture(bool escapes = false) {
    std::vector<std::string> args = {"capture-pane", "-p", "-N"};
    if (escapes) args.push_back("-e");
    std::string text = run(args).output;
    std::vector<std::string> rows;
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) {
        if (start < text.size()) rows.push_back(text.substr(start));
        break;
      }
      rows.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    return rows;
  }

  // Polls the screen until some row contains text.
  bool waitForText(const std::string& text, int timeoutMs = 10000) {
    return waitFor([&] {
      for (const std::string& row : capture())
        if (row.find(text) != std::string::npos) return true;
      return false;
    }, timeoutMs);
  }

  // A tmux format value for the pane, e.g. "#{cursor_y}", "#{pane_dead}".
  std::string format(const std::string& expression) {
    std::string value = run({"display-message", "-p", expression}).output;
    while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
    return value;
  }

  bool waitForExit(int timeoutMs = 10000) {
    return waitFor([&] { return format("#{pane_dead}") == "1"; }, timeoutMs);
  }

 private:
  programResult run(const std::vector<std::string>& args, bool captureOutput = true) {
    std::vector<std::string> words = {"tmux", "-u", "-L", socket_};
    words.insert(words.end(), args.begin(), args.end());
    return runProgram(commandLine(words), captureOutput);
  }

  std::string socket_;
  std::string config_;
  bool started_ = false;
};
