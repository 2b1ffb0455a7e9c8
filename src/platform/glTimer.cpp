// glTimer: raw counter ticks from SDL's performance counter, the steady clock when
// that counter reports no frequency, or a virtual counter that only the program
// moves (fixed-step runs and tests).

#include "platform/glTimer.h"

#include <SDL2/SDL.h>

#include <chrono>

static int64_t clockrate = 0;
static int timerInited = 0;
static int frameRateSampled = 0;
static int64_t frameRateStart = 0;

// The steady clock stands in when the platform counter is unavailable.
static int usingSteadyClock = 0;
static int usingVirtualClock = 0;
static int64_t virtualNow = 0;
static int64_t platformFrequencyOverride = -1;

static int64_t private_platformFrequency(void) {
    if (platformFrequencyOverride >= 0) return platformFrequencyOverride;
    return (int64_t)SDL_GetPerformanceFrequency();
}

static int64_t private_steadyNow(void) {
    return (int64_t)std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int initftime(void) {
    timerInited = 1;
    if (usingVirtualClock) return 1;
    clockrate = private_platformFrequency();
    usingSteadyClock = clockrate <= 0;
    if (usingSteadyClock) {
        // A zero frequency would make every step length zero ticks; nanoseconds
        // from the steady clock serve the same arithmetic.
        clockrate = 1000000000;
        fprintf(stderr, "Warning: no high-resolution counter; using the steady clock\n");
    }
    return 1;
}

void Microseconds(int64_t *ticks) {
    if (!timerInited) initftime();
    if (usingVirtualClock)
        *ticks = virtualNow;
    else if (usingSteadyClock)
        *ticks = private_steadyNow();
    else
        *ticks = (int64_t)SDL_GetPerformanceCounter();
}

void WideSubtract(int64_t *a, const int64_t *b) { *a -= *b; }

void WideAdd(int64_t *a, const int64_t *b) { *a += *b; }

glTimer createTimer(void) {
    glTimer timer = {0, 0};
    Microseconds(&timer.clock);
    return timer;
}

unsigned long getTimerInPieces(glTimer *timer, int64_t *carryOver, unsigned int milliseconds) {
    int64_t now;
    Microseconds(&now);
    int64_t elapsed = now;
    WideSubtract(&elapsed, &timer->clock);
    WideAdd(carryOver, &elapsed);
    timer->clock = now;

    int64_t ticksPerStep = (clockrate * (int64_t)milliseconds) / 1000;
    if (ticksPerStep <= 0) return 0;  // a zero-length step never completes
    int64_t steps = *carryOver / ticksPerStep;
    *carryOver = *carryOver % ticksPerStep;
    return (unsigned long)(uint32_t)steps;
}

float getFrameRate(void) {
    int64_t now;
    Microseconds(&now);
    if (!frameRateSampled) {
        frameRateSampled = 1;
        frameRateStart = now;
        return 0.0f;
    }
    uint32_t elapsed = (uint32_t)(now - frameRateStart);
    frameRateStart = now;
    if (elapsed == 0) return 0.0f;
    return (float)clockrate / (float)elapsed;
}

int64_t glTimer_getClockRate(void) {
    if (!timerInited) initftime();
    return clockrate;
}

void glTimer_useVirtualClock(int64_t ticksPerSecond) {
    usingVirtualClock = 1;
    timerInited = 1;
    clockrate = ticksPerSecond > 0 ? ticksPerSecond : 1000000;
    virtualNow = 0;
    frameRateSampled = 0;
}

void glTimer_useSystemClock(void) {
    usingVirtualClock = 0;
    frameRateSampled = 0;
    initftime();
}

int glTimer_usingVirtualClock(void) { return usingVirtualClock; }

void glTimer_advanceVirtualClock(int64_t ticks) { virtualNow += ticks; }

void glTimer_overridePlatformFrequency(int64_t frequency) {
    platformFrequencyOverride = frequency;
    usingVirtualClock = 0;
    frameRateSampled = 0;
    initftime();
}
