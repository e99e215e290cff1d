// The key path in-process: bytes written into a real pseudo-terminal reach
// waitKey through the reader thread and the decoder.
#include "runtime/keys.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/terminalmodes.h"
#include "tests/support/terminalpty.h"
#include "runtime/keydecoder.h"
#include "runtime/state.h"
#include "tests/support/ptykeys.h"

namespace {

class KeysOnPty : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(terminal_.open()); }
  void TearDown() override { terminal_.close(); }

  void type(const std::string& bytes) { ASSERT_TRUE(terminal_.type(bytes)); }

  std::string next() {
    if (!ptyKeyTerminal::keyArrives()) return "none";
    rtString key = waitKey();
    std::string text;
    for (int32_t i = 0; i < key.length(); ++i) text += (i ? "," : "") + std::to_string(key.bytes()[i]);
    return text;
  }

  ptyKeyTerminal terminal_;
};

TEST_F(KeysOnPty, KeysArriveAsKeyStrings) {
  type("\033[A\033[B\033[D\033[C\r\n\003\033OP\033[23~\033q1");
  // Enter sends CR; LF is Ctrl+J, which must not pass for Enter.
  for (const char* expected : {"0,72", "0,80", "0,75", "0,77", "13", "10", "3", "0,59", "0,87", "0,16", "49"})
    EXPECT_EQ(next(), expected);
}

TEST_F(KeysOnPty, PeekShowsTheKeyWithoutTakingIt) {
  EXPECT_EQ(keyAvailable(), 0);
  EXPECT_EQ(peekKey().length, 0);
  type("\033[C");
  ASSERT_TRUE(ptyKeyTerminal::keyArrives());
  EXPECT_EQ(keyAvailable(), -1);
  peekedKey peeked = peekKey();
  EXPECT_EQ(peeked.length, 2);
  EXPECT_EQ(peeked.scanCode, 77);
  EXPECT_EQ(keyAvailable(), -1);  // still there
  EXPECT_EQ(next(), "0,77");
  EXPECT_EQ(keyAvailable(), 0);
}

TEST_F(KeysOnPty, LoneEscapeCountsAfterAPause) {
  type("\033");
  EXPECT_EQ(next(), "27");
  // A sequence split by a short pause is still one key.
  type("\033[");
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  type("1;5A");
  EXPECT_EQ(next(), "0,72");
  EXPECT_EQ(keyAvailable(), 0);
}

TEST_F(KeysOnPty, FlushThrowsAwayDecodedAndUnreadInput) {
  type("abcdef\033[A");
  ASSERT_TRUE(ptyKeyTerminal::keyArrives());
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  flushKeys();
  EXPECT_EQ(keyAvailable(), 0);
  EXPECT_EQ(peekKey().length, 0);
  type("z");
  EXPECT_EQ(next(), "122");
}

TEST_F(KeysOnPty, WaitKeyRecordsTheControlKeyState) {
  type("\033[1;5D");
  EXPECT_EQ(next(), "0,75");
  EXPECT_EQ(runtime.lastControlKeyState, KEYSTATE_LEFT_CTRL);
}

class KeysOnUtf8Pty : public KeysOnPty {
 protected:
  void SetUp() override { ASSERT_TRUE(terminal_.open(true)); }
};

TEST_F(KeysOnUtf8Pty, ACharacterBeyondAsciiIsOneKey) {
  // é and Ü are in code page 437, the euro sign is not; a character cut off
  // by the next key is one unknown character, and so is a character left
  // unfinished.
  type("\xc3\xa9\xc3\x9c\xe2\x82\xac\xc3za\033\xc3\xa9\xe2\x82");
  for (const char* expected : {"130", "154", "63", "63", "122", "97", "130", "63"}) EXPECT_EQ(next(), expected);
  EXPECT_EQ(keyAvailable(), 0);
}

TEST(Keys, FlushDoesNothingWithoutAKeyTerminal) {
  runtime.stdinIsConsole = 0;
  flushKeys();
  EXPECT_EQ(keyAvailable(), 0);
}

TEST(CapsLockFix, DigitsAndPunctuationFollowShiftAlone) {
  const uint32_t caps = KEYSTATE_CAPS_LOCK, shift = KEYSTATE_SHIFT;
  EXPECT_EQ(capsLockFix('1', 2, caps | shift), '!');
  EXPECT_EQ(capsLockFix('!', 2, caps), '1');
  EXPECT_EQ(capsLockFix('0', 11, caps | shift), ')');
  EXPECT_EQ(capsLockFix('/', 53, caps | shift), '?');
  EXPECT_EQ(capsLockFix('"', 40, caps), '\'');
  EXPECT_EQ(capsLockFix('|', 43, caps), '\\');
  // Letters, and everything while Caps Lock is off, pass unchanged.
  EXPECT_EQ(capsLockFix('A', 30, caps), 'A');
  EXPECT_EQ(capsLockFix('a', 30, caps | shift), 'a');
  EXPECT_EQ(capsLockFix('!', 2, shift), '!');
  EXPECT_EQ(capsLockFix('1', 2, 0), '1');
  // Esc reported without its character.
  EXPECT_EQ(capsLockFix(0, 1, caps), 27);
  EXPECT_EQ(capsLockFix(0, 1, 0), 0);
}

}  // namespace
