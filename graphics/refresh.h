#pragma once
#include "graphics/target.h"

// Repaints the target's window from its back buffer and waits until the
// screen shows it; nothing for a target without a window or whose window
// is gone.
void repaintTarget(graphicTarget& target);
// After an operation changed the back buffer: an immediate target is
// repainted now (and the call waits for it), a buffered one is left alone.
inline void applyRefreshRule(graphicTarget& target) {
  if (!(target.flags.load(std::memory_order_relaxed) & TARGET_BUFFERED)) repaintTarget(target);
}
