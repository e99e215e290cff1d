#include "graphics/redraw.h"

#include "graphics/currenttarget.h"
#include "graphics/drawthread.h"
#include "graphics/refresh.h"
#include "graphics/registry.h"
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

void graphicRedraw() {
  graphicTarget* target = currentTarget();
  if (!target) return;
  {
    targetLock lock(*target);
    target->settledPixels(lock);  // a bitmap's picture, too, is whole after a redraw
  }
  repaintTarget(*target);
}
