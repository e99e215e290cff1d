#include "graphics/windowprocs.h"

#include "graphics/drawthread.h"
#include "runtime/scancodes.h"

namespace {

// Tab moves the focus between controls; it is not recorded as a key.
constexpr uint16_t TAB_CHARACTER = 9;

bool isFunctionKey(uint8_t scanCode) {
  return (scanCode >= SCAN_F1 && scanCode <= SCAN_F10) || scanCode == SCAN_F11_BIOS || scanCode == SCAN_F12_BIOS;
}

}  // namespace

void paintCanvas(graphicWindow& window) {
  graphicTarget& canvas = *window.canvasRecord;
  {
    targetLock lock(canvas);
    const pixelBuffer buffer = canvas.settledPixels(lock);
    if (buffer.pixels) x11FramePaint(window.frame, buffer.pixels);
  }
  x11FrameSync(window.frame);
}

void frameWindowProc(graphicWindow& window, const x11Event& event) {
  switch (event.kind) {
    case x11EventKind::closeRequest:
      // As a window's default handling does: destroy it; `destroyed` follows.
      x11FrameDestroyWindows(window.frame);
      break;
    case x11EventKind::destroyed:
      destroyTarget(window.frameHandle);  // the canvas's record goes with it
      window.running = false;
      break;
    case x11EventKind::buttonDown:
      // A click reported by the canvas.
      if (event.window == window.canvasRecord->screenWindow) {
        window.canvasRecord->clickX.store(event.x);
        window.canvasRecord->clickY.store(event.y);
        window.canvasRecord->clickFlag.store(1);
      }
      break;
    default:
      break;
  }
}

void canvasWindowProc(graphicWindow& window, const x11Event& event) {
  graphicTarget& canvas = *window.canvasRecord;
  switch (event.kind) {
    case x11EventKind::paint:
      paintCanvas(window);
      break;
    case x11EventKind::keyDown:
      if (event.extended || isFunctionKey(event.scanCode)) canvas.keySlot.store(keySlotOfScanCode(event.scanCode));
      break;
    case x11EventKind::sysKeyDown:
      if (!event.extended && event.scanCode == SCAN_F10) canvas.keySlot.store(keySlotOfScanCode(SCAN_F10));
      break;
    case x11EventKind::character:
      if (event.character != TAB_CHARACTER) canvas.keySlot.store(event.character);
      break;
    case x11EventKind::buttonDown:
      x11FrameFocusCanvas(window.frame);
      frameWindowProc(window, event);  // the canvas tells its frame about the click
      break;
    case x11EventKind::focusIn:
      canvas.flags.fetch_or(TARGET_HAS_FOCUS);
      break;
    case x11EventKind::focusOut:
      canvas.flags.fetch_and(~TARGET_HAS_FOCUS);
      break;
    default:
      break;
  }
}
