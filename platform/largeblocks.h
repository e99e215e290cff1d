#pragma once
#include <cstddef>

// Memory for a large block that is written all over, such as a back
// buffer: where it is large enough, it starts on a huge page and the
// system is asked to back it with huge pages, so that scattered writes do
// not each wait for their address to be translated. Null without the
// memory; freed with largeBlockFree.
void* largeBlockAllocate(size_t bytes);
void largeBlockFree(void* block);
