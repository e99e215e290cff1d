#pragma once
#include <functional>

// Sharing work with a thread that has time on its hands. A caller splits
// its work into two parts that do not depend on each other and runs
// `mine`, while `theirs` waits on offer for a thread that is idle (the
// graphics drawing thread between jobs) to take it; if none has when `mine`
// is done, the caller runs `theirs` as well. Returns once both are done.
// Whichever thread runs which part, the result must be the same; takers
// compute with the program's floating-point control. Callers on two
// threads take turns.
void runBeside(const std::function<void()>& theirs, const std::function<void()>& mine);

// For an idle thread: whether a part is on offer, and running it (false
// when there was none to take).
bool sidePartOffered();
bool takeSidePart();
