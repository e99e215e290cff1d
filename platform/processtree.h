#pragma once
#include <cstdint>
#include <vector>

// The calling process's parent, its parent's parent and so on up to the
// first process, nearest first; empty when the system does not tell.
std::vector<int32_t> processAncestors();
