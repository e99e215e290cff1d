#pragma once
#include <cstdint>

// Per-thread runtime block, reachable through a thread-local slot.
struct threadBlock {
  // Default graphics text font: face name (13 letters and a zero) and point
  // size; copied from the main thread's block into every new one.
  char16_t fontFace[14];
  uint16_t fontSize;
  uint8_t fontReserved[42];  // the font area is the first 72 bytes
  uint32_t currentTarget;  // handle of the thread's drawing target, 0 for none
  int32_t ownedHandle;     // a file descriptor closed with the block; -1 for none
  uint8_t unused[48];
};
static_assert(sizeof(threadBlock) == 128);
inline constexpr unsigned THREAD_FONT_AREA = 72;

// The calling thread's block once made; read inline, since every drawing
// operation asks for it.
extern thread_local constinit threadBlock* ownThreadBlock;
threadBlock* makeThreadBlock();

// The calling thread's block, created (zero-filled) on first use; null only
// when memory runs out (error 7).
inline threadBlock* getThreadBlock() {
  threadBlock* block = ownThreadBlock;
  return block ? block : makeThreadBlock();
}
// Frees the calling thread's block, if it has one.
void releaseThreadBlock();
