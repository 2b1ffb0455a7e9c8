// glTimer: the high-resolution counter behind the run loop and the frame-rate meter.
// All times are raw counter ticks; clockrate converts them to seconds.
// Does not sleep and does not know about update steps beyond the arithmetic.
#pragma once

#include <cstdint>

struct glTimer {
    int64_t clock;       // counter value at the last sample
    uint32_t env_timer;  // kept for callers; never set or read here
};

// Reads the counter frequency. Returns 1 when a counter is available. When the
// platform counter reports a frequency of 0 the steady clock takes its place
// (nanosecond ticks), so the step arithmetic never divides by zero.
int initftime(void);
void Microseconds(int64_t *ticks);  // current counter value (ticks, despite the name)
void WideSubtract(int64_t *a, const int64_t *b);
void WideAdd(int64_t *a, const int64_t *b);
glTimer createTimer(void);
unsigned long getTimerInPieces(glTimer *timer, int64_t *carryOver, unsigned int milliseconds);
float getFrameRate(void);
int64_t glTimer_getClockRate(void);

// A counter under the program's own control. Used by --fixed-step (every run-loop
// pass is exactly one step) and by tests that drive the run loop. While it is in
// use the counter only moves when glTimer_advanceVirtualClock is called.
void glTimer_useVirtualClock(int64_t ticksPerSecond);
void glTimer_useSystemClock(void);
int glTimer_usingVirtualClock(void);
void glTimer_advanceVirtualClock(int64_t ticks);
// Test seam: pretend the platform counter reports this frequency (0 = unavailable).
void glTimer_overridePlatformFrequency(int64_t frequency);
