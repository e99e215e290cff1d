#include "graphics/windowprocs.h"

namespace {

bool isFunctionKey(uint8_t scanCode) { return (scanCode >= 0x3B && scanCode <= 0x44) || scanCode == 0x85 || scanCode == 0x86; }

}  // namespace

void paintCanvas(graphicWindow& window) {
  graphicTarget& canvas = *window.canvasRecord;
  {
    targetLock lock(canvas);
    if (canvas.pixels) x11FramePaint(window.frame, canvas.pixels.get());
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
    case x11EventKind::buttonDown: {
      // A click reported by the canvas.
      targetRef control = findTarget(event.window);
      if (control && control->kind == TARGET_CANVAS) {
        control->clickX.store(event.x);
        control->clickY.store(event.y);
        control->clickFlag.store(1);
      }
      break;
    }
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
      if (event.extended || isFunctionKey(event.scanCode)) canvas.keySlot.store(static_cast<uint16_t>(event.scanCode << 8));
      break;
    case x11EventKind::sysKeyDown:
      if (!event.extended && event.scanCode == 0x44) canvas.keySlot.store(0x4400);
      break;
    case x11EventKind::character:
      if (event.character != 9) canvas.keySlot.store(event.character);
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
