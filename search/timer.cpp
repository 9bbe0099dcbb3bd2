#include "search/timer.h"

#include <algorithm>
#include <cmath>

#include "search/stop_flag.h"
#include "support/clock.h"
#include "support/sleep.h"

namespace vardo {

Timer::Timer(int movesPerControl_)
    : movesPerControl(std::max(0, movesPerControl_)),
      movesToGo(movesPerControl),
      clock(&ClockSeconds) {}

Timer::~Timer() {
    // Run uses this Timer's members, so it must end before they do.
    cancel = true;
    Wait();
}

bool Timer::StartClock(float spentSeconds) {
    if (IsRunning()) {
        cancel = true;
        Wait();
    }
    {
        MutexLock lock(*this);
        spent = spentSeconds;
    }
    cancel = false;
    return Start();
}

void Timer::MoveDone() {
    cancel = true;
    Wait();
    MutexLock lock(*this);
    if (movesPerControl > 0 && --movesToGo <= 0) movesToGo = movesPerControl;
}

void Timer::Assign(const Timer& other) {
    cancel = true;
    Wait();
    // Read the other Timer under its own lock, then write under ours: never both at once.
    float otherTimeLeft;
    float otherIncrement;
    int otherMovesPerControl;
    int otherMovesToGo;
    {
        MutexLock lock(other);
        otherTimeLeft = other.timeLeft;
        otherIncrement = other.increment;
        otherMovesPerControl = other.movesPerControl;
        otherMovesToGo = other.movesToGo;
    }
    MutexLock lock(*this);
    timeLeft = otherTimeLeft;
    increment = otherIncrement;
    movesPerControl = otherMovesPerControl;
    movesToGo = otherMovesToGo;
    cancel = other.cancel.load();
}

void Timer::SetTimeLeft(float seconds) {
    MutexLock lock(*this);
    timeLeft = seconds;
}

void Timer::SetIncrement(float seconds) {
    MutexLock lock(*this);
    increment = seconds;
}

void Timer::SetMovesPlayed(int movesPlayed) {
    MutexLock lock(*this);
    if (movesPerControl > 0)
        movesToGo = movesPerControl - std::max(0, movesPlayed) % movesPerControl;
}

float Timer::Allotment() const {
    MutexLock lock(*this);
    return AllotmentLocked();
}

float Timer::TimeLeft() const {
    MutexLock lock(*this);
    return timeLeft;
}

int Timer::MovesPerControl() const {
    MutexLock lock(*this);
    return movesPerControl;
}

int Timer::MovesToGo() const {
    MutexLock lock(*this);
    return movesToGo;
}

void Timer::SetClock(ClockSource clockSource, int pollMs_) {
    MutexLock lock(*this);
    clock = clockSource;
    pollMs = std::max(1, pollMs_);
}

float Timer::AllotmentLocked() const {
    float share;
    if (movesPerControl <= 0) {
        share = timeLeft * SHARE_WITHOUT_MOVE_COUNT;
    } else {
        const float margin = std::min(MARGIN_PER_MOVE * static_cast<float>(movesToGo), MARGIN_CAP);
        share = (timeLeft - margin) / static_cast<float>(movesToGo);
    }
    if (increment <= 0.0f) return share;
    return std::min(share + increment, timeLeft * INCREMENT_SHARE_CAP);
}

void Timer::Run() {
    float allotted;
    ClockSource now;
    int poll;
    {
        MutexLock lock(*this);
        allotted = AllotmentLocked() - spent;
        now = clock;
        poll = pollMs;
    }
    const float start = now();
    float elapsed = now() - start;
    while (elapsed < allotted) {
        if (cancel) break;
        // Sleep a full poll, or only until the allotment ends if that comes sooner.
        const float remainingMs = std::ceil((allotted - elapsed) * 1000.0f);
        SleepMs(static_cast<int>(std::min(static_cast<float>(poll), remainingMs)));
        elapsed = now() - start;
    }
    stopFlag = true;
}

}  // namespace vardo
