#pragma once
#include "graphics/target.h"

// The calling thread's drawing target (a canvas or bitmap that is still
// registered), or null. The record stays alive at least until the thread's
// next call of this function.
graphicTarget* currentTarget();
