#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Control-key state bits, as the keys of the PC console report them.
inline constexpr uint32_t KEYSTATE_RIGHT_ALT = 0x01;
inline constexpr uint32_t KEYSTATE_LEFT_ALT = 0x02;
inline constexpr uint32_t KEYSTATE_LEFT_CTRL = 0x08;
inline constexpr uint32_t KEYSTATE_SHIFT = 0x10;
inline constexpr uint32_t KEYSTATE_CAPS_LOCK = 0x80;

// The character the Esc key types.
inline constexpr uint8_t CHARACTER_ESC = 27;

// One key press as the terminal told it: a character (with the scan code of
// the key that types it, 0 when unknown), or no character and a scan code.
struct terminalKey {
  uint8_t character;
  uint8_t scanCode;
  uint32_t controlKeyState;
};

// Turns the byte stream a terminal sends into key presses: plain and control
// characters, CSI and SS3 sequences (arrows, editing and function keys,
// xterm modifier parameters, linux console function keys), Alt as an Esc
// prefix. Sequences it does not know are dropped whole. Never blocks: a
// sequence cut short waits for more bytes or for finishPending.
// A terminal in a UTF-8 locale sends a character beyond ASCII as several
// bytes: with useUtf8 on, they give one key, the character's byte in code
// page 437 ('?' when it has none). Otherwise every byte is a key.
class keyDecoder {
 public:
  void useUtf8(bool on) { utf8_ = on; }
  // Decodes bytes, appending complete keys to out. Returns true while the
  // input ends inside a sequence that more bytes may complete.
  bool feed(const uint8_t* bytes, size_t n, std::vector<terminalKey>& out);
  // No more bytes came in time: a lone Esc is the Esc key, Esc and one byte
  // are Alt with that key, anything longer is dropped.
  void finishPending(std::vector<terminalKey>& out);
  bool pending() const { return state_ != state::ground; }
  void reset();

 private:
  enum class state { ground, escape, csi, ss3, linuxFunction, utf8 };
  static constexpr int MAX_PARAMETERS = 8;

  void feedByte(uint8_t byte, std::vector<terminalKey>& out);
  // The halves of feedByte, one per state a byte can arrive in.
  void feedCharacterByte(uint8_t byte, std::vector<terminalKey>& out);
  void feedEscapeByte(uint8_t byte, std::vector<terminalKey>& out);
  void feedSequenceByte(uint8_t byte, std::vector<terminalKey>& out);
  void startSequence();
  void startCharacter(uint8_t lead, uint32_t state, std::vector<terminalKey>& out);
  void finishCsi(uint8_t final, std::vector<terminalKey>& out);
  void finishSs3(uint8_t final, std::vector<terminalKey>& out);

  state state_ = state::ground;
  uint8_t intermediate_ = 0;   // first byte after Esc [ or Esc O (for timeouts)
  uint8_t privateMarker_ = 0;  // '<', '=', '>' or '?' opening a CSI
  int parameterCount_ = 0;
  uint32_t parameters_[MAX_PARAMETERS] = {};
  bool overflow_ = false;
  size_t sequenceLength_ = 0;
  bool utf8_ = false;
  char32_t character_ = 0;  // the UTF-8 character read so far
  int bytesToCome_ = 0;
  uint32_t characterState_ = 0;
};

// The key a single byte stands for, outside any sequence.
terminalKey keyFromByte(uint8_t byte);
// Scan code (PC set 1, US layout) of the key that types an ASCII character; 0 if none.
uint8_t scanCodeOfCharacter(uint8_t character);
