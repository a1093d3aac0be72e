// The frame wait against a clock the test controls, the wrap of the 32-bit
// millisecond time, and the effect loop and its statistics line on the
// virtual clock.
#include <gtest/gtest.h>

#include <vector>

#include "core/clock.h"
#include "core/frame_loop.h"
#include "support/stdout_capture.h"

namespace {

// A time source that advances 1 ms per reading, as a busy poll would see.
uint32_t fake_time;
std::vector<int32_t> sleeps;
int polls;

int32_t fake_now()
{
    polls++;
    return static_cast<int32_t>(fake_time++);
}

void fake_sleep(int32_t ms)
{
    sleeps.push_back(ms);
    fake_time += static_cast<uint32_t>(ms);
}

void reset(uint32_t start)
{
    fake_time = start;
    sleeps.clear();
    polls = 0;
}

TEST(ClockWait, SleepsTensThenPollsTheRest)
{
    reset(1000);
    clock_wait(1000, 83, fake_now, fake_sleep);
    ASSERT_EQ(sleeps.size(), 1u);
    EXPECT_EQ(sleeps[0], 80);
    EXPECT_GE(fake_time, 1083u);
    EXPECT_LE(fake_time, 1085u);
}

TEST(ClockWait, PastDeadlineReturnsAtOnce)
{
    reset(5050);
    clock_wait(5000, 0, fake_now, fake_sleep);
    EXPECT_TRUE(sleeps.empty());
    EXPECT_EQ(polls, 2);
}

TEST(ClockWait, NineMillisecondsOrLessArePolled)
{
    reset(100);
    clock_wait(100, 9, fake_now, fake_sleep);
    EXPECT_TRUE(sleeps.empty());
    EXPECT_GE(fake_time, 109u);
}

TEST(ClockWait, EndsOnTimeAcrossBothWraps)
{
    // Stamp just before 2^32 ms, deadline just after it.
    reset(0xFFFFFFF0u);
    clock_wait(static_cast<int32_t>(0xFFFFFFF0u), 83, fake_now, fake_sleep);
    ASSERT_EQ(sleeps.size(), 1u);
    EXPECT_EQ(sleeps[0], 80);
    EXPECT_GE(fake_time, 0x43u);
    EXPECT_LT(fake_time, 0x50u);

    // At 2^31 the signed time jumps from its largest value to its smallest:
    // polling from just before it must still wait for a deadline just after.
    reset(0x7FFFFFF8u);
    clock_wait(static_cast<int32_t>(0x7FFFFFF8u), 9, fake_now, fake_sleep);
    EXPECT_TRUE(sleeps.empty());
    EXPECT_GE(fake_time, 0x80000001u);
    EXPECT_LT(fake_time, 0x80000004u);
    const int32_t before = INT32_MAX - 2, after = INT32_MIN + 3;
    EXPECT_TRUE(clock_reached(after, before));
    EXPECT_FALSE(clock_reached(before, after));
}

TEST(VirtualClock, DurationOfTenSecondsShows122Frames)
{
    FrameLoop loop;
    frame_loop_begin(&loop);
    std::vector<int32_t> starts;
    while (frame_loop_running(&loop, 100)) {
        frame_loop_next(&loop);
        starts.push_back(loop.t);
        loop.frames++;
    }
    ASSERT_EQ(loop.frames, 122);
    EXPECT_EQ(starts[0], 0);
    EXPECT_EQ(starts[1], 83);
    EXPECT_EQ(starts[2], 166);
    EXPECT_EQ(starts.back(), 10043);
    test_stdout_capture_begin();
    stats_print("e_04", loop.frames, frame_loop_nominal_rate(&loop, 100));
    EXPECT_EQ(test_stdout_capture_end(),
              "e_04:\t 122 - Screens,\t Screens/sec - 12.200000\n");
}

TEST(VirtualClock, FadeLengthLoopShows17Frames)
{
    FrameLoop loop;
    frame_loop_begin(&loop);
    while (frame_loop_running(&loop, 13)) {
        frame_loop_next(&loop);
        loop.frames++;
    }
    EXPECT_EQ(loop.frames, 17);
    EXPECT_EQ(loop.t, 1328);
}

}  // namespace
