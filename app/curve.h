#pragma once

// Makes room in the six point arrays for eight times the current points.
void growArrays();
// Replaces the current level by the next one: eight scaled, turned or
// mirrored copies of it, one per octant, in curve order.
void buildNextLevel();
