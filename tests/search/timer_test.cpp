#include "search/timer.h"

#include <gtest/gtest.h>

#include <atomic>

#include "search/stop_flag.h"
#include "support/clock.h"
#include "support/sleep.h"
#include "wait_until.h"

namespace vardo {
namespace {

using test::WaitUntil;

// A clock the test moves by hand; counts how often the watch reads it.
std::atomic<float> fakeNow{0.0f};
std::atomic<int> fakeReads{0};

float FakeClock() {
    ++fakeReads;
    return fakeNow.load();
}

TEST(TimerAllotment, FollowsTheControl) {
    Timer perMove(1);  // "st 5"
    perMove.SetTimeLeft(5.0f);
    EXPECT_FLOAT_EQ(perMove.Allotment(), 4.75f);

    Timer level40(40);  // "level 40" with 300 s on the clock: the margin is capped at 3.5 s
    level40.SetTimeLeft(300.0f);
    EXPECT_FLOAT_EQ(level40.Allotment(), 7.4125f);

    Timer wholeGame(0);  // no move count: a thirtieth of the clock
    wholeGame.SetTimeLeft(10.0f);
    EXPECT_FLOAT_EQ(wholeGame.Allotment(), 10.0f / 30.0f);

    Timer nothingLeft(0);
    EXPECT_LE(nothingLeft.Allotment(), 0.0f);
}

// The increment comes on top of either share, but a move never takes more than half the clock:
// with little time left, the clock must not run out before the increment is added.
TEST(TimerAllotment, IncrementAddsToTheShareUpToHalfTheClock) {
    Timer wholeGame(0);
    wholeGame.SetTimeLeft(30.0f);
    wholeGame.SetIncrement(2.0f);
    EXPECT_FLOAT_EQ(wholeGame.Allotment(), 1.0f + 2.0f);
    wholeGame.SetTimeLeft(1.0f);
    EXPECT_FLOAT_EQ(wholeGame.Allotment(), 0.5f);

    Timer copy(40);
    copy.Assign(wholeGame);  // the increment goes with the control
    EXPECT_FLOAT_EQ(copy.Allotment(), 0.5f);
}

TEST(TimerAllotment, MovesToGoCyclesThroughTheControl) {
    Timer timer(40);
    timer.SetTimeLeft(20.0f);
    for (int i = 0; i < 40; ++i) {
        ASSERT_EQ(timer.MovesToGo(), 40 - i);
        timer.MoveDone();
    }
    EXPECT_EQ(timer.MovesToGo(), 40);
    EXPECT_EQ(timer.MovesPerControl(), 40);
    for (int i = 0; i < 39; ++i) timer.MoveDone();
    // The last move of the control gets the clock less one margin.
    EXPECT_FLOAT_EQ(timer.Allotment(), 20.0f - 0.25f);
}

TEST(TimerAllotment, MovesToGoCanBeTakenFromTheGame) {
    Timer timer(40);
    timer.SetMovesPlayed(6);  // six moves made before the engine's first turn
    EXPECT_EQ(timer.MovesToGo(), 34);
    timer.SetMovesPlayed(39);  // the last move of the first control
    EXPECT_EQ(timer.MovesToGo(), 1);
    timer.SetMovesPlayed(40);  // the first of the second
    EXPECT_EQ(timer.MovesToGo(), 40);
    timer.SetMovesPlayed(0);  // moves taken back to the start
    EXPECT_EQ(timer.MovesToGo(), 40);

    Timer wholeGame(0);  // no move count: nothing to follow
    wholeGame.SetMovesPlayed(25);
    EXPECT_EQ(wholeGame.MovesToGo(), 0);
}

TEST(TimerAllotment, NoMoveCountKeepsNoMarginTurnAfterTurn) {
    Timer timer(0);
    timer.SetTimeLeft(60.0f);
    for (int i = 0; i < 100; ++i) timer.MoveDone();
    EXPECT_EQ(timer.MovesToGo(), 0);
    EXPECT_FLOAT_EQ(timer.Allotment(), 2.0f);
}

TEST(TimerWatch, StopsWhenTheAllotmentIsUsedUp) {
    Timer timer(1);
    timer.SetTimeLeft(5.0f);
    timer.SetClock(&FakeClock, 1);
    fakeNow = 100.0f;
    fakeReads = 0;
    stopFlag = false;
    ASSERT_TRUE(timer.StartClock());
    // The watch has read its start once it reads the clock a second time.
    ASSERT_TRUE(WaitUntil([] { return fakeReads >= 2; }));
    fakeNow = 104.7f;
    SleepMs(30);
    EXPECT_TRUE(timer.IsRunning());
    EXPECT_FALSE(stopFlag);
    fakeNow = 104.8f;
    ASSERT_TRUE(WaitUntil([&] { return !timer.IsRunning(); }));
    EXPECT_TRUE(stopFlag);
    timer.MoveDone();
    EXPECT_EQ(timer.MovesToGo(), 1);
}

// A watch started after the move has already taken time (a search pondered before its clock
// ran) counts that time against the allotment: 4.75 s less 4 s spent leaves 0.75 s.
TEST(TimerWatch, TimeAlreadySpentCountsAgainstTheAllotment) {
    Timer timer(1);
    timer.SetTimeLeft(5.0f);
    timer.SetClock(&FakeClock, 1);
    fakeNow = 100.0f;
    fakeReads = 0;
    stopFlag = false;
    ASSERT_TRUE(timer.StartClock(4.0f));
    ASSERT_TRUE(WaitUntil([] { return fakeReads >= 2; }));
    fakeNow = 100.7f;
    SleepMs(30);
    EXPECT_FALSE(stopFlag);
    fakeNow = 100.8f;
    ASSERT_TRUE(WaitUntil([&] { return !timer.IsRunning(); }));
    EXPECT_TRUE(stopFlag);
    timer.MoveDone();
}

TEST(TimerWatch, NoTimeLeftStopsAtOnce) {
    Timer timer(0);
    stopFlag = false;
    ASSERT_TRUE(timer.StartClock());
    ASSERT_TRUE(WaitUntil([&] { return !timer.IsRunning(); }, 1.0f));
    EXPECT_TRUE(stopFlag);
}

TEST(TimerWatch, MoveDoneEndsAWatchWithTimeToSpare) {
    Timer timer(1);
    timer.SetTimeLeft(1000.0f);
    for (int turn = 0; turn < 3; ++turn) {
        stopFlag = false;
        ASSERT_TRUE(timer.StartClock());
        SleepMs(10);
        EXPECT_TRUE(timer.IsRunning());
        EXPECT_FALSE(stopFlag);
        const float before = ClockSeconds();
        timer.MoveDone();
        EXPECT_LT(ClockSeconds() - before, 1.0f);
        EXPECT_FALSE(timer.IsRunning());
        EXPECT_TRUE(stopFlag);
    }
}

TEST(TimerWatch, AssignDuringAWatchEndsItAndStopsTheSearch) {
    Timer timer(40);
    timer.SetTimeLeft(1000.0f);
    timer.MoveDone();
    stopFlag = false;
    ASSERT_TRUE(timer.StartClock());
    SleepMs(10);
    const float before = ClockSeconds();
    timer.Assign(Timer(1));
    EXPECT_LT(ClockSeconds() - before, 1.0f);
    EXPECT_FALSE(timer.IsRunning());
    EXPECT_TRUE(stopFlag);
    EXPECT_EQ(timer.MovesPerControl(), 1);
    EXPECT_EQ(timer.MovesToGo(), 1);
    EXPECT_EQ(timer.TimeLeft(), 0.0f);
}

TEST(TimerWatch, DestroyingEndsARunningWatch) {
    auto* timer = new Timer(1);
    timer->SetTimeLeft(1000.0f);
    ASSERT_TRUE(timer->StartClock());
    SleepMs(10);
    const float before = ClockSeconds();
    delete timer;
    EXPECT_LT(ClockSeconds() - before, 1.0f);
}

TEST(TimerWatch, StartClockEndsAWatchLeftRunning) {
    Timer timer(1);
    timer.SetTimeLeft(1000.0f);
    ASSERT_TRUE(timer.StartClock());
    SleepMs(10);
    const float before = ClockSeconds();
    ASSERT_TRUE(timer.StartClock());
    EXPECT_LT(ClockSeconds() - before, 1.0f);
    EXPECT_TRUE(timer.IsRunning());
    timer.MoveDone();
}

}  // namespace
}  // namespace vardo
