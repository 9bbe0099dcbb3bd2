#include "support/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "support/clock.h"
#include "support/sleep.h"
#include "wait_until.h"

namespace vardo {
namespace {

using test::WaitUntil;

// Counts its runs and returns at once.
class CountingThread : public Thread {
   public:
    ~CountingThread() override { Wait(); }
    std::atomic<int> runs{0};

   protected:
    void Run() override { ++runs; }
};

// Runs until released; touches only state outside the object, so the base destructor's wait
// can be tested on its own.
struct Gate {
    std::atomic<bool> started{false};
    std::atomic<bool> release{false};
    std::atomic<bool> finished{false};
};

// The gate lives outside the object: Run must not touch a member while the object is being
// destroyed around it.
Gate* activeGate = nullptr;

class GatedThread : public Thread {
   public:
    explicit GatedThread(Gate& g) { activeGate = &g; }

   protected:
    void Run() override {
        Gate& gate = *activeGate;
        gate.started = true;
        while (!gate.release) SleepMs(1);
        gate.finished = true;
    }
};

TEST(Thread, WaitAndDestroyBeforeAnyStartReturnAtOnce) {
    CountingThread thread;
    thread.Wait();
    thread.Wait();
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(thread.runs, 0);
}

// A Run that returns at once must neither make Start report failure nor leave the object
// marked running, and every finished run must be joined before the next Start.
TEST(Thread, RestartsManyTimesAfterShortRuns) {
    CountingThread thread;
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(thread.Start()) << "start " << i;
        thread.Wait();
        ASSERT_FALSE(thread.IsRunning()) << "run " << i;
    }
    EXPECT_EQ(thread.runs, 1000);
    // Starting again without Wait joins the finished thread itself.
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(thread.Start());
        ASSERT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }));
    }
    EXPECT_EQ(thread.runs, 1050);
}

TEST(Thread, IsRunningUntilRunReturns) {
    Gate gate;
    GatedThread thread(gate);
    ASSERT_TRUE(thread.Start());
    ASSERT_TRUE(WaitUntil([&] { return gate.started.load(); }));
    EXPECT_TRUE(thread.IsRunning());
    gate.release = true;
    EXPECT_TRUE(WaitUntil([&] { return !thread.IsRunning(); }));
    EXPECT_TRUE(gate.finished);
    thread.Wait();
}

TEST(Thread, DestroyingWhileRunWaitsForIt) {
    Gate gate;
    std::thread releaser;
    {
        GatedThread thread(gate);
        ASSERT_TRUE(thread.Start());
        ASSERT_TRUE(WaitUntil([&] { return gate.started.load(); }));
        releaser = std::thread([&] {
            SleepMs(100);
            gate.release = true;
        });
    }
    EXPECT_TRUE(gate.finished);
    releaser.join();
}

// Several threads waiting at once, and the destructor waiting after them, each return once
// the run has ended and never join the same thread twice.
TEST(Thread, WaitFromSeveralThreads) {
    Gate gate;
    std::atomic<int> waited{0};
    {
        GatedThread thread(gate);
        ASSERT_TRUE(thread.Start());
        std::vector<std::thread> waiters;
        for (int i = 0; i < 3; ++i) {
            waiters.emplace_back([&] {
                thread.Wait();
                EXPECT_TRUE(gate.finished);
                ++waited;
            });
        }
        SleepMs(20);
        EXPECT_EQ(waited, 0);
        gate.release = true;
        for (auto& waiter : waiters) waiter.join();
    }
    EXPECT_EQ(waited, 3);
}

// Wait and Start called by a thread on itself would join itself; they return at once.
class SelfWaitingThread : public Thread {
   public:
    ~SelfWaitingThread() override { Wait(); }
    std::atomic<bool> restarted{true};
    std::atomic<bool> done{false};

   protected:
    void Run() override {
        Wait();
        restarted = Start();
        done = true;
    }
};

TEST(Thread, ThreadActingOnItselfDoesNotDeadlock) {
    SelfWaitingThread thread;
    ASSERT_TRUE(thread.Start());
    thread.Wait();
    EXPECT_TRUE(thread.done);
    EXPECT_FALSE(thread.restarted);
    EXPECT_FALSE(thread.IsRunning());
}

TEST(Clock, AdvancesAtLeastBySleep) {
    const float before = ClockSeconds();
    SleepMs(30);
    const float after = ClockSeconds();
    EXPECT_GE(after - before, 0.029f);
    EXPECT_LT(after - before, 5.0f);
}

}  // namespace
}  // namespace vardo
