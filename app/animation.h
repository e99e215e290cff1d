#pragma once

// Draws the freshly built level segment by segment in curve order, showing
// each one as it comes; any key ends it at once and is consumed.
void animateLevel();
