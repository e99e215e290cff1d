#pragma once
#include <cstdint>
#include <vector>

// The calling process's parent, its parent's parent and so on up to the
// first process, nearest first; empty when the system does not tell.
std::vector<int32_t> processAncestors();
// Those of `processes`, in their order, that hold the master side of this
// process's controlling terminal: the terminal emulator, where the terminal
// is a pseudo-terminal. A process whose descriptors cannot be read (another
// user's) is left out.
std::vector<int32_t> processesHoldingTerminal(const std::vector<int32_t>& processes);
