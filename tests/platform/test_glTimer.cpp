// The step arithmetic of the counter: whole steps out, the remainder carried.

#include <gtest/gtest.h>

#include "platform/glTimer.h"

namespace {

const int64_t kTicksPerMs = 1000;  // the virtual counter runs at a million ticks per second

class TimerTest : public ::testing::Test {
  protected:
    void SetUp() override { glTimer_useVirtualClock(1000 * kTicksPerMs); }
    void TearDown() override { glTimer_overridePlatformFrequency(-1); }
};

TEST_F(TimerTest, StepsComeOutWholeAndTheRemainderCarries) {
    glTimer timer = createTimer();
    int64_t carry = 0;
    EXPECT_EQ(getTimerInPieces(&timer, &carry, 5), 0u);  // no time passed
    EXPECT_EQ(carry, 0);

    glTimer_advanceVirtualClock(7 * kTicksPerMs);
    EXPECT_EQ(getTimerInPieces(&timer, &carry, 5), 1u);
    EXPECT_EQ(carry, 2 * kTicksPerMs);

    glTimer_advanceVirtualClock(4 * kTicksPerMs);
    EXPECT_EQ(getTimerInPieces(&timer, &carry, 5), 1u);  // 2 ms carried + 4 ms = one step, 1 ms left
    EXPECT_EQ(carry, 1 * kTicksPerMs);
}

TEST_F(TimerTest, NoTimeIsLostOverManyUnevenPasses) {
    glTimer timer = createTimer();
    int64_t carry = 0;
    unsigned long steps = 0;
    int64_t elapsed = 0;
    for (int i = 0; i < 1000; i++) {
        int64_t slice = 137 + (i * 7919) % 4000;  // 0.137 ms to 4.1 ms
        glTimer_advanceVirtualClock(slice);
        elapsed += slice;
        steps += getTimerInPieces(&timer, &carry, 5);
    }
    EXPECT_EQ(steps, (unsigned long)(elapsed / (5 * kTicksPerMs)));
    EXPECT_EQ(carry, elapsed % (5 * kTicksPerMs));
}

TEST_F(TimerTest, FirstFrameRateIsZeroThenTheInstantRate) {
    EXPECT_EQ(getFrameRate(), 0.0f);
    glTimer_advanceVirtualClock(20 * kTicksPerMs);
    EXPECT_FLOAT_EQ(getFrameRate(), 50.0f);
}

TEST_F(TimerTest, ACounterWithoutFrequencyFallsBackToASteadyClock) {
    glTimer_overridePlatformFrequency(0);
    EXPECT_EQ(initftime(), 1);
    EXPECT_GT(glTimer_getClockRate(), 0);
    glTimer timer = createTimer();
    int64_t carry = 0;
    getTimerInPieces(&timer, &carry, 5);  // must not divide by zero
    int64_t before, after;
    Microseconds(&before);
    Microseconds(&after);
    EXPECT_GE(after, before);
}

}  // namespace
