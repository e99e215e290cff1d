#include "runtime/keys.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/keyreader.h"
#include "platform/terminaloutput.h"
#include "platform/terminalrepaint.h"
#include "runtime/keydecoder.h"
#include "runtime/scancodes.h"
#include "runtime/state.h"

namespace {

// An unfinished sequence waits this long for the rest before it counts as
// Esc (or Alt with a key): long enough for a slow link, short for a person.
constexpr int ESCAPE_WAIT_MS = 100;

// Keys decoded by the reader thread, oldest first. The count mirrors the
// queue's size so that keyAvailable needs no lock.
std::mutex queueLock;
std::condition_variable keyQueued;
std::deque<terminalKey> queue;
std::atomic<int32_t> queuedCount{0};
uint64_t repaintWakes = 0;  // under queueLock: repaint requests seen by the reader

keyDecoder decoder;                // reader thread, or under the reader's gate
std::vector<terminalKey> decoded;  // likewise
keyReader* reader = nullptr;       // main thread

bool isAltLetter(uint8_t scanCode) {
  return (scanCode >= SCAN_Q && scanCode <= SCAN_P) || (scanCode >= SCAN_A && scanCode <= SCAN_L) ||
         (scanCode >= SCAN_Z && scanCode <= SCAN_M);
}

bool isModifierKey(uint8_t scanCode) {
  switch (scanCode) {
    case SCAN_CTRL: case SCAN_LEFT_SHIFT: case SCAN_RIGHT_SHIFT: case SCAN_ALT:
    case SCAN_CAPS_LOCK: case SCAN_NUM_LOCK: case SCAN_SCROLL_LOCK:
      return true;
    default:
      return false;
  }
}

// What a key event gives the program; length 0 for events that are no key.
peekedKey classify(const terminalKey& event) {
  uint8_t c = event.character, s = event.scanCode;
  uint32_t k = event.controlKeyState;
  if (c != 0) {
    if ((k & (KEYSTATE_RIGHT_ALT | KEYSTATE_LEFT_ALT)) && isAltLetter(s)) return peekedKey{2, 0, s};
    return peekedKey{1, capsLockFix(c, s, k), s};
  }
  if (s == SCAN_ESC) return peekedKey{1, CHARACTER_ESC, s};
  if (isModifierKey(s) || s == 0) return peekedKey{0, 0, 0};
  return peekedKey{2, 0, s};
}

void publish() {
  if (decoded.empty()) return;
  {
    std::lock_guard<std::mutex> hold(queueLock);
    for (const terminalKey& key : decoded)
      if (classify(key).length != 0) queue.push_back(key);
    queuedCount.store(static_cast<int32_t>(queue.size()), std::memory_order_release);
  }
  decoded.clear();
  keyQueued.notify_all();
}

}  // namespace

bool keysStartReading(int fd, bool utf8, void (*onHangUp)(), void (*onFront)()) {
  if (reader != nullptr) return true;
  if (fd < 0) return false;
  decoder.reset();
  decoder.useUtf8(utf8);
  reader = new keyReader;
  keyReader::callbacks handlers;
  handlers.onBytes = [](const uint8_t* bytes, size_t n) {
    bool unfinished = decoder.feed(bytes, n, decoded);
    publish();
    return unfinished;
  };
  handlers.onQuiet = [] {
    decoder.finishPending(decoded);
    publish();
  };
  // A repaint owed while waitKey sleeps is done at once, not after the next key.
  handlers.wakeup = terminalRepaintWakeup();
  handlers.onWakeup = [] {
    {
      std::lock_guard<std::mutex> hold(queueLock);
      ++repaintWakes;
    }
    keyQueued.notify_all();
  };
  if (onHangUp) handlers.onHangUp = onHangUp;
  if (onFront) handlers.onFront = onFront;
  if (!reader->start(fd, std::move(handlers), ESCAPE_WAIT_MS)) {
    delete reader;
    reader = nullptr;
    return false;
  }
  return true;
}

void keysStopReading() {
  if (reader == nullptr) return;
  reader->stop();
  delete reader;
  reader = nullptr;
  std::lock_guard<std::mutex> hold(queueLock);
  queue.clear();
  queuedCount.store(0);
  decoder.reset();
  decoded.clear();
}

peekedKey peekKey() {
  std::lock_guard<std::mutex> hold(queueLock);
  if (queue.empty()) return peekedKey{0, 0, 0};
  return classify(queue.front());
}

int32_t keyAvailable() {
  // The program asks this between its steps: a good moment to repaint.
  terminalRepaintIfOwed();
  return queuedCount.load(std::memory_order_acquire) > 0 ? -1 : 0;
}

rtString waitKey() {
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
  terminalKey event;
  for (;;) {
    uint64_t wakesSeen;
    {
      std::lock_guard<std::mutex> hold(queueLock);
      if (!queue.empty()) {
        event = queue.front();
        queue.pop_front();
        queuedCount.store(static_cast<int32_t>(queue.size()), std::memory_order_release);
        break;
      }
      wakesSeen = repaintWakes;
    }
    // Painted here, on the thread that writes all console output.
    terminalRepaintIfOwed();
    std::unique_lock<std::mutex> hold(queueLock);
    // A key or a repaint request wakes it: no spinning.
    keyQueued.wait_for(hold, std::chrono::seconds(1), [&] { return !queue.empty() || repaintWakes != wakesSeen; });
  }
  runtime.lastControlKeyState = event.controlKeyState;
  peekedKey key = classify(event);
  rtString text = rtString::allocate(key.length);
  if (text.length() != key.length) return rtString();  // no memory: the key is lost
  if (key.length == 1) {
    text.bytes()[0] = key.character;
  } else {
    text.bytes()[0] = 0;
    text.bytes()[1] = key.scanCode;
  }
  return text;
}

void flushKeys() {
  if (runtime.stdinIsConsole == 0) return;
  auto clearQueue = [] {
    decoder.reset();
    decoded.clear();
    std::lock_guard<std::mutex> hold(queueLock);
    queue.clear();
    queuedCount.store(0, std::memory_order_release);
  };
  if (reader != nullptr)
    reader->discardInput(clearQueue);
  else
    clearQueue();
}

uint8_t capsLockFix(uint8_t character, uint8_t scanCode, uint32_t controlKeyState) {
  static constexpr uint8_t SCAN_CODES[21] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 26, 27, 39, 40, 41, 43, 51, 52, 53};
  static constexpr uint8_t UNSHIFTED[21] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '-',
                                            '=', '[', ']', ';', '\'', '`', '\\', ',', '.', '/'};
  static constexpr uint8_t SHIFTED[21] = {'!', '@', '#', '$', '%', '^', '&', '*', '(', ')', '_',
                                          '+', '{', '}', ':', '"', '~', '|', '<', '>', '?'};
  if (!(controlKeyState & KEYSTATE_CAPS_LOCK)) return character;
  for (int i = 0; i < 21; ++i) {
    if (SCAN_CODES[i] != scanCode) continue;
    if (controlKeyState & KEYSTATE_SHIFT) return character == UNSHIFTED[i] ? SHIFTED[i] : character;
    return character == SHIFTED[i] ? UNSHIFTED[i] : character;
  }
  return scanCode == SCAN_ESC ? CHARACTER_ESC : character;
}
