// Tracked memory: calloc/free with one running byte total (see glMemory.h).
// It does not remember block sizes and does not check the sizes callers free.
#include "glMemory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Bytes handed out and not yet freed, as the callers declared them.
static uint32_t totalBytes = 0;

// A zero-size request still gets a distinct, freeable block.
static void *private_allocate(uint32_t size)
{
    return calloc(size ? size : 1, 1);
}

void *glMalloc(uint32_t size)
{
    void *block = private_allocate(size);
    if (!block) {
        fprintf(stderr, "Malloc failed when allocating %u bytes\n", (unsigned)size);
        return nullptr;
    }
    totalBytes += size;
    return block;
}

void *glZeroMalloc(uint32_t size)
{
    void *ptr = private_allocate(size);
    if (!ptr) {
        // Out of memory for an allocation that callers never check: stop in order.
        fprintf(stderr, "Assertion failed: ptr, file glMemory, line 120\n");
        fflush(stderr);
        exit(EXIT_FAILURE);
    }
    totalBytes += size;
    return ptr;
}

void *glMallocWithBytes(uint32_t size, const void *bytes)
{
    void *block = glMalloc(size);
    if (block && bytes && size)
        memcpy(block, bytes, size);
    return block;
}

void *glRealloc(uint32_t oldSize, uint32_t newSize, void *block)
{
    if (oldSize == 0 || !block)
        return glMalloc(newSize);
    void *fresh = private_allocate(newSize);
    if (!fresh) {
        fprintf(stderr, "malloc() failed when allocating %u bytes\n", (unsigned)newSize);
        return nullptr;
    }
    totalBytes += newSize;
    memcpy(fresh, block, oldSize < newSize ? oldSize : newSize);
    glFree(block, oldSize);
    return fresh;
}

void glFree(void *block, uint32_t size)
{
    if (!block)
        return;
    totalBytes -= size;
    free(block);
}

uint32_t glAllocated(void)
{
    return totalBytes;
}

int glDeltaMemory(void)
{
    return (int)totalBytes;
}
