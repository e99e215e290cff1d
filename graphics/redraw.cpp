#include "graphics/redraw.h"

#include "graphics/currenttarget.h"
#include "graphics/refresh.h"
#include "graphics/registry.h"
#include "graphics/windowchannel.h"
#include "runtime/errors.h"
#include "runtime/threadblock.h"

void graphicAttach(uint32_t window, int32_t controlId, bool buffered) {
  threadBlock* block = getThreadBlock();
  if (!block) return;
  targetRef candidate = findChildTarget(window, controlId);
  if (!candidate) candidate = findTarget(window);
  block->currentTarget = 0;
  if (!candidate || !candidate->drawable()) {
    raiseError(ERROR_BAD_ARGUMENT);
    return;
  }
  if (candidate->kind == TARGET_BITMAP) buffered = true;
  if (buffered)
    candidate->flags.fetch_or(TARGET_BUFFERED);
  else
    candidate->flags.fetch_and(~TARGET_BUFFERED);
  block->currentTarget = candidate->handle;
}

void repaintTarget(graphicTarget& target) {
  if (target.window) target.window->requestRepaint();
}

void applyRefreshRule(graphicTarget& target) {
  if (!(target.flags.load(std::memory_order_relaxed) & TARGET_BUFFERED)) repaintTarget(target);
}

void graphicRedraw() {
  if (graphicTarget* target = currentTarget()) repaintTarget(*target);
}
