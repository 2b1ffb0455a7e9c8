// Tracked memory: the running total through allocation, copy, realloc and
// free, and the failure paths (run in a child with a capped address space).
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/glMemory.h"

static bool allZero(const void *block, size_t size)
{
    const unsigned char *bytes = (const unsigned char *)block;
    for (size_t i = 0; i < size; i++)
        if (bytes[i]) return false;
    return true;
}

TEST(GlMemory, TotalsFollowAllocationsAndFrees)
{
    uint32_t base = glAllocated();
    void *a = glMalloc(10);
    void *b = glZeroMalloc(20);
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(allZero(a, 10) && allZero(b, 20));
    EXPECT_EQ(glAllocated(), base + 30);
    glFree(a, 10);
    EXPECT_EQ(glAllocated(), base + 20);
    EXPECT_EQ(glDeltaMemory(), (int)glAllocated());
    glFree(nullptr, 99);  // nothing was allocated, nothing is taken off
    EXPECT_EQ(glAllocated(), base + 20);
    glFree(b, 20);

    const char text[] = "hello";
    char *copy = (char *)glMallocWithBytes(sizeof text, text);
    EXPECT_STREQ(copy, "hello");
    EXPECT_EQ(glAllocated(), base + sizeof text);
    glFree(copy, sizeof text);
    EXPECT_EQ(glAllocated(), base);
}

TEST(GlMemory, ReallocCopiesAndRecounts)
{
    uint32_t base = glAllocated();
    unsigned char *p = (unsigned char *)glRealloc(0, 16, nullptr);
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(allZero(p, 16));
    EXPECT_EQ(glAllocated(), base + 16);
    for (int i = 0; i < 16; i++) p[i] = (unsigned char)(i + 1);

    unsigned char *grown = (unsigned char *)glRealloc(16, 24, p);
    EXPECT_EQ(glAllocated(), base + 24);
    EXPECT_EQ(grown[15], 16);
    EXPECT_TRUE(allZero(grown + 16, 8));

    unsigned char *shrunk = (unsigned char *)glRealloc(24, 4, grown);
    EXPECT_EQ(glAllocated(), base + 4);
    EXPECT_EQ(memcmp(shrunk, "\1\2\3\4", 4), 0);
    glFree(shrunk, 4);
    EXPECT_EQ(glAllocated(), base);
}

#if defined(__SANITIZE_ADDRESS__)
#define QM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_ASAN 1
#endif
#endif

// Caps the address space a little above what the process uses now, so that
// a large request really fails. Only ever called inside a death-test child.
static void capAddressSpace()
{
    long pages = 0;
    FILE *statm = fopen("/proc/self/statm", "r");
    if (!statm || fscanf(statm, "%ld", &pages) != 1) exit(3);
    fclose(statm);
    rlim_t cap = (rlim_t)pages * 4096 + (64u << 20);
    struct rlimit limit = {cap, cap};
    if (setrlimit(RLIMIT_AS, &limit) != 0) exit(3);
}

static const uint32_t kHuge = 0xF0000000u;

static void failingAllocationsReturnNull()
{
    capAddressSpace();
    uint32_t base = glAllocated();
    if (glMalloc(kHuge) || glMallocWithBytes(kHuge, "x") || glAllocated() != base) exit(1);
    char *old = (char *)glMallocWithBytes(4, "abc");
    if (glRealloc(4, kHuge, old) || strcmp(old, "abc") != 0 || glAllocated() != base + 4) exit(2);
    exit(0);
}

TEST(GlMemoryDeathTest, FailuresAreLogged)
{
#ifdef QM_ASAN
    GTEST_SKIP() << "the sanitizer's allocator reports failures itself";
#endif
    EXPECT_EXIT(failingAllocationsReturnNull(), testing::ExitedWithCode(0),
                "Malloc failed when allocating 4026531840 bytes\n.*"
                "malloc\\(\\) failed when allocating 4026531840 bytes\n");
    EXPECT_EXIT({ capAddressSpace(); glZeroMalloc(kHuge); exit(0); }, testing::ExitedWithCode(1),
                "Assertion failed: ptr, file glMemory, line 120");
}
