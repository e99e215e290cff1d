#pragma once
#include "graphics/target.h"

// After an operation changed the back buffer: an immediate target is
// repainted now (and the call waits for it), a buffered one is left alone.
void applyRefreshRule(graphicTarget& target);
// Repaints the target's window from its back buffer and waits until the
// screen shows it; nothing for a target without a window or whose window
// is gone.
void repaintTarget(graphicTarget& target);
