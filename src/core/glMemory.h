// Tracked memory: every allocation of the engine's own goes through here so
// one running total of bytes handed out can be shown on the debug overlay.
// Blocks are always zero-filled. The layer does not remember block sizes:
// the caller states the size again when freeing (a string: its length + 1).
// Not thread-safe; main thread only.
#pragma once

#include <cstdint>

// Zero-filled block of `size` bytes, or null after logging
// "Malloc failed when allocating %u bytes\n".
void *glMalloc(uint32_t size);

// Zero-filled block of `size` bytes. Running out of memory here ends the
// program: the failure is logged and the process exits.
void *glZeroMalloc(uint32_t size);

// Zero-filled block holding a copy of `size` bytes from `bytes` (a null
// source leaves the block zeroed), or null as glMalloc.
void *glMallocWithBytes(uint32_t size, const void *bytes);

// New zero-filled block of `newSize` holding the first min(oldSize, newSize)
// bytes of `block`; the old block is freed with `oldSize`. A null block or an
// old size of 0 is a plain glMalloc(newSize). On failure logs
// "malloc() failed when allocating %u bytes\n", returns null and leaves the
// old block untouched.
void *glRealloc(uint32_t oldSize, uint32_t newSize, void *block);

// Releases `block` and takes `size` off the total. A null block does nothing.
void glFree(void *block, uint32_t size);

// Bytes currently allocated through this layer, as declared by the callers.
uint32_t glAllocated(void);

// The same count: the change in tracked memory since the program started.
int glDeltaMemory(void);
