#include "graphics/refresh.h"

#include "graphics/windowchannel.h"

void repaintTarget(graphicTarget& target) {
  if (target.window) target.window->requestRepaint();
}
