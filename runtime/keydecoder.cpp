#include "runtime/keydecoder.h"

#include "platform/terminalglyphs.h"
#include "runtime/scancodes.h"

namespace {

// A sequence longer than this is garbage, not a key: drop it.
constexpr size_t MAX_SEQUENCE_LENGTH = 256;
constexpr uint32_t MAX_PARAMETER_VALUE = 1u << 20;

terminalKey scanKey(uint8_t scanCode, uint32_t state) { return terminalKey{0, scanCode, state}; }

// Cursor and F1-F4 keys, which CSI and SS3 forms end with the same letter.
uint8_t finalLetterScan(uint8_t final) {
  switch (final) {
    case 'A': return SCAN_UP;
    case 'B': return SCAN_DOWN;
    case 'C': return SCAN_RIGHT;
    case 'D': return SCAN_LEFT;
    case 'E': return SCAN_CENTRE;
    case 'H': return SCAN_HOME;
    case 'F': return SCAN_END;
    case 'P':
    case 'Q':
    case 'R':
    case 'S': return static_cast<uint8_t>(SCAN_F1 + (final - 'P'));
    default: return 0;
  }
}

// xterm's modifier parameter: 1 + shift 1 + alt 2 + ctrl 4 (+ caps lock 64 in
// the kitty protocol).
uint32_t stateFromModifier(uint32_t modifier) {
  if (modifier < 2) return 0;
  uint32_t bits = modifier - 1, state = 0;
  if (bits & 1) state |= KEYSTATE_SHIFT;
  if (bits & 2) state |= KEYSTATE_LEFT_ALT;
  if (bits & 4) state |= KEYSTATE_LEFT_CTRL;
  if (bits & 64) state |= KEYSTATE_CAPS_LOCK;
  return state;
}

// A character the terminal sent as a code point: its byte in code page 437,
// or '?' when it has none there. Only the upper half is searched: a symbol
// typed must not turn into a control key.
terminalKey unicodeKey(char32_t code, uint32_t state) {
  uint8_t byte = '?';
  for (int b = 0x80; b <= 0xFF && byte == '?'; ++b)
    if (codePage437ToUnicode(static_cast<uint8_t>(b)) == code) byte = static_cast<uint8_t>(b);
  terminalKey key = keyFromByte(byte);
  key.controlKeyState |= state;
  return key;
}

// A character reported by code (kitty's CSI u, xterm's CSI 27;m;c ~).
void characterKey(uint32_t code, uint32_t state, std::vector<terminalKey>& out) {
  if (code >= 128) {
    out.push_back(unicodeKey(code, state));
    return;
  }
  terminalKey key = keyFromByte(static_cast<uint8_t>(code));
  if ((state & KEYSTATE_LEFT_CTRL) && ((code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z')))
    key.character = static_cast<uint8_t>(code & 0x1F);
  key.controlKeyState |= state;
  out.push_back(key);
}

}  // namespace

uint8_t scanCodeOfCharacter(uint8_t c) {
  static constexpr char ROWS[][2][14] = {
      {"1234567890-=", "!@#$%^&*()_+"},  // scan codes 2..13
      {"qwertyuiop[]", "QWERTYUIOP{}"},  // 16..27
      {"asdfghjkl;'`", "ASDFGHJKL:\"~"},  // 30..41
      {"\\zxcvbnm,./", "|ZXCVBNM<>?"},  // 43..53
  };
  static constexpr uint8_t FIRST_SCAN[] = {2, 16, 30, 43};
  if (c == ' ') return SCAN_SPACE;
  for (int row = 0; row < 4; ++row)
    for (int shifted = 0; shifted < 2; ++shifted)
      for (int i = 0; ROWS[row][shifted][i]; ++i)
        if (static_cast<uint8_t>(ROWS[row][shifted][i]) == c) return static_cast<uint8_t>(FIRST_SCAN[row] + i);
  return 0;
}

terminalKey keyFromByte(uint8_t byte) {
  switch (byte) {
    case 0:  // Ctrl+@ / Ctrl+Space: no character, the key of '2'
      return scanKey(3, KEYSTATE_LEFT_CTRL);
    case 8:
    case 127:
      return terminalKey{8, SCAN_BACKSPACE, 0};
    case 9:
      return terminalKey{9, SCAN_TAB, 0};
    case 13:  // Enter (raw mode keeps CR as it is; LF is Ctrl+J)
      return terminalKey{13, SCAN_ENTER, 0};
    case CHARACTER_ESC:
      return terminalKey{CHARACTER_ESC, SCAN_ESC, 0};
    default:
      break;
  }
  if (byte < 27) return terminalKey{byte, scanCodeOfCharacter(static_cast<uint8_t>(byte + 96)), KEYSTATE_LEFT_CTRL};
  if (byte < 32) return terminalKey{byte, 0, KEYSTATE_LEFT_CTRL};
  if (byte >= 128) return terminalKey{byte, 0, 0};
  static constexpr char SHIFTED_SYMBOLS[] = "!@#$%^&*()_+{}:\"~|<>?";
  bool shifted = byte >= 'A' && byte <= 'Z';
  for (const char* p = SHIFTED_SYMBOLS; *p && !shifted; ++p) shifted = static_cast<uint8_t>(*p) == byte;
  uint8_t scan = scanCodeOfCharacter(byte);
  return terminalKey{byte, scan, shifted ? KEYSTATE_SHIFT : 0u};
}

void keyDecoder::startCharacter(uint8_t lead, uint32_t state, std::vector<terminalKey>& out) {
  const int following = lead >= 0xC2 && lead <= 0xDF   ? 1
                        : lead >= 0xE0 && lead <= 0xEF ? 2
                        : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                       : 0;
  if (following == 0) {  // a stray continuation byte or no lead byte at all
    out.push_back(unicodeKey(0xFFFD, state));
    return;
  }
  state_ = state::utf8;
  sequenceLength_ = 1;
  character_ = lead & (0x3F >> following);
  bytesToCome_ = following;
  characterState_ = state;
}

void keyDecoder::reset() {
  state_ = state::ground;
  sequenceLength_ = 0;
}

void keyDecoder::startSequence() {
  intermediate_ = 0;
  privateMarker_ = 0;
  parameterCount_ = 0;
  for (uint32_t& p : parameters_) p = 0;
  overflow_ = false;
}

bool keyDecoder::feed(const uint8_t* bytes, size_t n, std::vector<terminalKey>& out) {
  for (size_t i = 0; i < n; ++i) feedByte(bytes[i], out);
  return pending();
}

void keyDecoder::feedByte(uint8_t byte, std::vector<terminalKey>& out) {
  if (state_ != state::ground && ++sequenceLength_ > MAX_SEQUENCE_LENGTH) reset();
  switch (state_) {
    case state::ground:
      if (byte == CHARACTER_ESC) {
        state_ = state::escape;
        sequenceLength_ = 1;
      } else if (utf8_ && byte >= 0x80) {
        startCharacter(byte, 0, out);
      } else {
        out.push_back(keyFromByte(byte));
      }
      return;
    case state::utf8:
      feedCharacterByte(byte, out);
      return;
    case state::escape:
      feedEscapeByte(byte, out);
      return;
    case state::csi:
    case state::ss3:
      feedSequenceByte(byte, out);
      return;
    case state::linuxFunction:
      reset();
      if (byte >= 'A' && byte <= 'E') {
        out.push_back(scanKey(static_cast<uint8_t>(SCAN_F1 + (byte - 'A')), 0));
      } else if (byte < 0x20 || byte >= 0x7F) {
        feedByte(byte, out);
      }
      return;
  }
}

void keyDecoder::feedCharacterByte(uint8_t byte, std::vector<terminalKey>& out) {
  if ((byte & 0xC0) == 0x80) {
    character_ = character_ << 6 | (byte & 0x3F);
    if (--bytesToCome_ == 0) {
      reset();
      out.push_back(unicodeKey(character_, characterState_));
    }
    return;
  }
  // Broken off: what came so far is one unknown character, the byte a key of its own.
  reset();
  out.push_back(unicodeKey(0xFFFD, characterState_));
  feedByte(byte, out);
}

void keyDecoder::feedEscapeByte(uint8_t byte, std::vector<terminalKey>& out) {
  if (byte == '[' || byte == 'O') {
    startSequence();
    intermediate_ = byte;
    state_ = byte == '[' ? state::csi : state::ss3;
    return;
  }
  if (utf8_ && byte >= 0x80) {  // Alt with a character
    reset();
    startCharacter(byte, KEYSTATE_LEFT_ALT, out);
    return;
  }
  if (byte == CHARACTER_ESC) {  // Esc Esc: the first was the Esc key
    out.push_back(keyFromByte(CHARACTER_ESC));
    sequenceLength_ = 1;
    return;
  }
  terminalKey key = keyFromByte(byte);
  key.controlKeyState |= KEYSTATE_LEFT_ALT;
  out.push_back(key);
  reset();
}

void keyDecoder::feedSequenceByte(uint8_t byte, std::vector<terminalKey>& out) {
  if (byte >= '0' && byte <= '9') {
    if (parameterCount_ == 0) parameterCount_ = 1;
    uint32_t& p = parameters_[parameterCount_ - 1];
    p = p * 10 + (byte - '0');
    if (p > MAX_PARAMETER_VALUE) overflow_ = true;
    return;
  }
  if (byte == ';') {
    if (parameterCount_ == 0) parameterCount_ = 1;
    if (parameterCount_ < MAX_PARAMETERS)
      ++parameterCount_;
    else
      overflow_ = true;
    return;
  }
  if (byte == ':') {
    // Sub-parameters (kitty's alternate keys) are not needed: skip them
    // by parking in the last slot, which is checked for overflow only.
    overflow_ = overflow_ || parameterCount_ >= MAX_PARAMETERS;
    return;
  }
  if (state_ == state::csi && sequenceLength_ == 3 && byte == '[') {
    state_ = state::linuxFunction;
    return;
  }
  if (byte >= 0x3C && byte <= 0x3F) {
    if (sequenceLength_ == 3) privateMarker_ = byte;
    else overflow_ = true;
    return;
  }
  if (byte >= 0x20 && byte <= 0x2F) {  // intermediates: no key of ours uses them
    overflow_ = true;
    return;
  }
  if (byte >= 0x40 && byte <= 0x7E) {
    state current = state_;
    reset();
    if (current == state::csi)
      finishCsi(byte, out);
    else
      finishSs3(byte, out);
    return;
  }
  // A control byte or a non-ASCII byte breaks the sequence off; it is a key of its own.
  reset();
  feedByte(byte, out);
}

void keyDecoder::finishCsi(uint8_t final, std::vector<terminalKey>& out) {
  if (overflow_ || privateMarker_) return;  // reports and private forms carry no key
  uint32_t first = parameterCount_ >= 1 ? parameters_[0] : 0;
  uint32_t state = parameterCount_ >= 2 ? stateFromModifier(parameters_[1]) : 0;
  if (const uint8_t scan = finalLetterScan(final)) {
    // CSI row;col R is a cursor report; F1-F4 only come as CSI 1;m P..S.
    if (final >= 'P' && parameterCount_ >= 1 && first != 1) return;
    out.push_back(scanKey(scan, state));
    return;
  }
  switch (final) {
    case 'Z':  // Shift+Tab
      out.push_back(terminalKey{9, SCAN_TAB, KEYSTATE_SHIFT});
      return;
    case 'u':  // CSI code ; modifiers u
      if (parameterCount_ >= 1) characterKey(first, state, out);
      return;
    case '~':
      break;
    default:
      return;  // focus, mouse and other reports: not keys
  }
  static constexpr uint8_t TILDE_KEYS[25] = {
      0,          SCAN_HOME,  SCAN_INSERT, SCAN_DELETE, SCAN_END, SCAN_PAGE_UP, SCAN_PAGE_DOWN, SCAN_HOME,
      SCAN_END,   0,          0,           59,          60,       61,           62,             63,
      0,          64,         65,          66,          67,       68,           0,              SCAN_F11,
      SCAN_F12};
  if (first == 27 && parameterCount_ >= 3) {  // xterm modifyOtherKeys: CSI 27 ; m ; code ~
    characterKey(parameters_[2], stateFromModifier(parameters_[1]), out);
    return;
  }
  if (first < sizeof TILDE_KEYS && TILDE_KEYS[first] != 0) out.push_back(scanKey(TILDE_KEYS[first], state));
}

void keyDecoder::finishSs3(uint8_t final, std::vector<terminalKey>& out) {
  if (overflow_) return;
  // Some terminals put the modifier in SS3 as the only parameter (Esc O 5 A).
  uint32_t state = parameterCount_ >= 1 ? stateFromModifier(parameters_[parameterCount_ - 1]) : 0;
  if (const uint8_t scan = finalLetterScan(final)) {
    out.push_back(scanKey(scan, state));
    return;
  }
  if (final == 'M') {  // keypad Enter in application mode
    out.push_back(terminalKey{13, SCAN_ENTER, state});
    return;
  }
  // Keypad in application mode: Esc O j .. y are * + , - . / 0 .. 9, Esc O X is =.
  if (final >= 'j' && final <= 'y') {
    out.push_back(keyFromByte(static_cast<uint8_t>('*' + (final - 'j'))));
  } else if (final == 'X') {
    out.push_back(keyFromByte('='));
  }
}

void keyDecoder::finishPending(std::vector<terminalKey>& out) {
  state current = state_;
  size_t length = sequenceLength_;
  uint8_t second = intermediate_;
  reset();
  if (current == state::escape) {
    out.push_back(keyFromByte(CHARACTER_ESC));
  } else if (current == state::utf8) {
    out.push_back(unicodeKey(0xFFFD, characterState_));
  } else if ((current == state::csi || current == state::ss3) && length == 2) {
    // Esc [ or Esc O and then nothing: Alt with that key.
    out.push_back(terminalKey{second, scanCodeOfCharacter(second), KEYSTATE_LEFT_ALT});
  }
}
