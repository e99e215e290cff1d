#include "graphics/refresh.h"

#include "graphics/windowchannel.h"

void repaintTarget(graphicTarget& target) {
  if (target.window) target.window->requestRepaint();
}

void applyRefreshRule(graphicTarget& target) {
  if (!(target.flags.load(std::memory_order_relaxed) & TARGET_BUFFERED)) repaintTarget(target);
}
