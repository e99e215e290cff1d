#include "runtime/keydecoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Keys as the program would see them: "c<byte>" for a character, "s<scan>"
// for a scan code (Alt with a letter already counts as its scan code here,
// as peekKey classifies it).
std::string show(const terminalKey& k) {
  bool alt = (k.controlKeyState & (KEYSTATE_LEFT_ALT | KEYSTATE_RIGHT_ALT)) != 0;
  bool letter = (k.scanCode >= 16 && k.scanCode <= 25) || (k.scanCode >= 30 && k.scanCode <= 38) ||
                (k.scanCode >= 44 && k.scanCode <= 50);
  if (k.character != 0 && !(alt && letter)) return "c" + std::to_string(k.character);
  return "s" + std::to_string(k.scanCode);
}

std::vector<std::string> decode(const std::string& bytes, bool finish = true) {
  keyDecoder decoder;
  std::vector<terminalKey> keys;
  decoder.feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), keys);
  if (finish) decoder.finishPending(keys);
  std::vector<std::string> shown;
  for (const terminalKey& k : keys) shown.push_back(show(k));
  return shown;
}

using keys = std::vector<std::string>;

TEST(KeyDecoder, ArrowsInEveryForm) {
  EXPECT_EQ(decode("\033[A\033[D\033[C\033[B"), (keys{"s72", "s75", "s77", "s80"}));
  EXPECT_EQ(decode("\033OA\033OD\033OC\033OB"), (keys{"s72", "s75", "s77", "s80"}));
  // Ctrl, Shift, Alt in xterm's modifier parameter do not change the key.
  EXPECT_EQ(decode("\033[1;5A\033[1;2D\033[1;3C\033O5B"), (keys{"s72", "s75", "s77", "s80"}));
}

TEST(KeyDecoder, ModifiersAreReported) {
  keyDecoder decoder;
  std::vector<terminalKey> out;
  std::string bytes = "\033[1;6A";  // Ctrl+Shift+Up
  decoder.feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].controlKeyState, KEYSTATE_SHIFT | KEYSTATE_LEFT_CTRL);
}

TEST(KeyDecoder, EditingKeys) {
  EXPECT_EQ(decode("\033[H\033[F\033[1~\033[4~\033[7~\033[8~\033OH\033OF"),
            (keys{"s71", "s79", "s71", "s79", "s71", "s79", "s71", "s79"}));
  EXPECT_EQ(decode("\033[2~\033[3~\033[5~\033[6~\033[3;5~"), (keys{"s82", "s83", "s73", "s81", "s83"}));
}

TEST(KeyDecoder, FunctionKeysOfXtermVt220AndLinuxConsole) {
  EXPECT_EQ(decode("\033OP\033OQ\033OR\033OS"), (keys{"s59", "s60", "s61", "s62"}));
  EXPECT_EQ(decode("\033[11~\033[12~\033[13~\033[14~\033[15~"), (keys{"s59", "s60", "s61", "s62", "s63"}));
  EXPECT_EQ(decode("\033[17~\033[18~\033[19~\033[20~\033[21~\033[23~\033[24~"),
            (keys{"s64", "s65", "s66", "s67", "s68", "s87", "s88"}));
  EXPECT_EQ(decode("\033[[A\033[[B\033[[C\033[[D\033[[E"), (keys{"s59", "s60", "s61", "s62", "s63"}));
  EXPECT_EQ(decode("\033[1;2P\033[1;5S"), (keys{"s59", "s62"}));
}

TEST(KeyDecoder, CharactersAndControlBytes) {
  EXPECT_EQ(decode("a Z~"), (keys{"c97", "c32", "c90", "c126"}));
  EXPECT_EQ(decode("\r\n\t\x7f\b\x03"), (keys{"c13", "c10", "c9", "c8", "c8", "c3"}));
  EXPECT_EQ(decode(std::string("\0", 1)), (keys{"s3"}));
  EXPECT_EQ(decode("\033[Z"), (keys{"c9"}));
  // Outside a UTF-8 locale every byte is a character of its own.
  EXPECT_EQ(decode("\xc3\xa9"), (keys{"c195", "c169"}));
}

TEST(KeyDecoder, EscapeAloneAndAsAltPrefix) {
  EXPECT_EQ(decode("\033"), (keys{"c27"}));
  EXPECT_EQ(decode("\033", false), (keys{}));
  EXPECT_EQ(decode("\033q\033Q\033m"), (keys{"s16", "s16", "s50"}));
  // Alt with a digit gives the digit (it is not in the letter rows).
  EXPECT_EQ(decode("\0331"), (keys{"c49"}));
  EXPECT_EQ(decode("\033\033"), (keys{"c27", "c27"}));
  EXPECT_EQ(decode("\033\033[A"), (keys{"c27", "s72"}));
  // Esc [ or Esc O with nothing after them: Alt with [ or O.
  EXPECT_EQ(decode("\033["), (keys{"c91"}));
  EXPECT_EQ(decode("\033O"), (keys{"s24"}));
}

TEST(KeyDecoder, SequencesSplitAcrossReadsJoinUp) {
  keyDecoder decoder;
  std::vector<terminalKey> out;
  const std::string parts[] = {"\033", "[", "1;5", "A"};
  for (const std::string& part : parts) {
    decoder.feed(reinterpret_cast<const uint8_t*>(part.data()), part.size(), out);
    EXPECT_EQ(out.empty(), &part != &parts[3]);
  }
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].scanCode, 72);
  EXPECT_FALSE(decoder.pending());
}

TEST(KeyDecoder, ReportsAndUnknownSequencesGiveNoKey) {
  // Focus in/out, a mouse report, a cursor position report, bracketed paste
  // markers, a private-mode reply.
  EXPECT_EQ(decode("\033[I\033[O\033[<0;10;5M\033[12;40R\033[200~x\033[201~\033[?1;2c"), (keys{"c120"}));
  EXPECT_EQ(decode("\033[99~\033[5X\033Ow"), (keys{"c55"}));  // Esc O w is keypad 7
}

TEST(KeyDecoder, OtherKeyProtocols) {
  EXPECT_EQ(decode("\033[27;5;97~"), (keys{"c1"}));  // xterm modifyOtherKeys Ctrl+a
  EXPECT_EQ(decode("\033[113;3u"), (keys{"s16"}));   // kitty Alt+q
  EXPECT_EQ(decode("\033[233u\033[8364u"), (keys{"c130", "c63"}));  // kitty é and €: code page 437
  keyDecoder decoder;
  std::vector<terminalKey> out;
  std::string bytes = "\033[49;65u";  // kitty: 1 with Caps Lock on
  decoder.feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].controlKeyState & KEYSTATE_CAPS_LOCK, KEYSTATE_CAPS_LOCK);
  EXPECT_EQ(out[0].scanCode, 2);
}

TEST(KeyDecoder, ABrokenSequenceGivesWayToTheNextKey) {
  // A control byte inside a sequence ends it and counts as itself.
  EXPECT_EQ(decode("\033[1;\003A"), (keys{"c3", "c65"}));
  // A new Esc starts over.
  EXPECT_EQ(decode("\033[12\033[B"), (keys{"s80"}));
}

bool valid(const terminalKey& k) {
  // As peekKey turns it into a keyString: a character, or 0 and a scan code.
  return k.character != 0 || k.scanCode != 0;
}

TEST(KeyDecoder, RandomAndHostileInputNeverBreaksIt) {
  std::mt19937 random(20240611);
  const std::string alphabet = "\033[O;0123456789~ABCDPQRSHFu:<?\r\n\x7f\x01 az\xff\x80";
  for (int round = 0; round < 20000; ++round) {
    keyDecoder decoder;
    decoder.useUtf8(round % 2 == 1);
    std::vector<terminalKey> out;
    size_t length = random() % 40;
    std::string bytes;
    for (size_t i = 0; i < length; ++i)
      bytes += (random() % 3 == 0) ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()];
    size_t cut = length ? random() % (length + 1) : 0;
    decoder.feed(reinterpret_cast<const uint8_t*>(bytes.data()), cut, out);
    decoder.feed(reinterpret_cast<const uint8_t*>(bytes.data()) + cut, length - cut, out);
    decoder.finishPending(out);
    ASSERT_FALSE(decoder.pending());
    ASSERT_LE(out.size(), length);
    for (const terminalKey& k : out) ASSERT_TRUE(valid(k)) << "round " << round;
  }
}

TEST(KeyDecoder, AdversarialStreams) {
  std::vector<std::string> streams = {
      "\033[" + std::string(100000, '1') + "A",
      "\033[" + std::string(50000, ';') + "~",
      std::string(100000, '\0'),
      std::string(100000, '\xff'),
      std::string(5000, '\033'),
      "\033[" + std::string(300, '9') + ";" + std::string(300, '9') + "u",
      "\033[4294967296;4294967296~\033[27;5;4294967296~\033[999999999999u",
  };
  for (const std::string& bytes : streams) {
    keyDecoder decoder;
    std::vector<terminalKey> out;
    decoder.feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out);
    decoder.finishPending(out);
    EXPECT_FALSE(decoder.pending());
    EXPECT_LE(out.size(), bytes.size());
    for (const terminalKey& k : out) EXPECT_TRUE(valid(k));
  }
  // The first key after a flood of garbage still comes through.
  EXPECT_EQ(decode("\033[" + std::string(100000, '1') + "A" + "\033[B").back(), "s80");
}

}  // namespace
