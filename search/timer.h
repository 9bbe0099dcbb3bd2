// Timer: turns the clock settings into a thinking budget for the coming move, and runs a
// watch thread that raises the stop flag once that budget is spent.
#pragma once

#include <atomic>

#include "support/thread.h"

namespace vardo {

// Seconds kept back for every move still to play in the control...
inline constexpr float MARGIN_PER_MOVE = 0.25f;
// ...but never more than this in all.
inline constexpr float MARGIN_CAP = 3.5f;
// Share of the clock given to one move when the control has no move count (1/30 in single
// precision).
inline constexpr float SHARE_WITHOUT_MOVE_COUNT = 0.033333335f;
// How often the watch looks at the clock and at its cancel request.
inline constexpr int TIMER_POLL_MS = 50;
// With an increment, a move may take the increment on top of its share, but never more than
// this part of the clock, so that the clock never runs out before the increment is added.
inline constexpr float INCREMENT_SHARE_CAP = 0.5f;
// The unit of the "time" command: hundredths of a second.
inline constexpr float TIME_COMMAND_UNIT = 0.01f;

// One Timer lives with the engine. The search thread starts a watch at the beginning of every
// turn (StartClock), after taking the moves to go from the game (SetMovesPlayed), and ends it
// when the move is chosen (MoveDone); the command loop feeds it the clock settings (Assign,
// SetTimeLeft). Every end of a watch raises vardo::stopFlag.
//
// Controls with a move count (movesPerControl > 0) keep movesToGo between 1 and
// movesPerControl: the clock left, less a margin of 0.25 s per move to go (at most 3.5 s), is
// shared evenly among the moves to go. A control without a move count (movesPerControl 0, and
// a negative count is taken as 0) gives every move a thirtieth of the clock with no margin;
// movesToGo stays 0 there, so the allotment does not creep upward as the game goes on.
// An increment is added to either share, up to half the clock.
class Timer : public Thread {
   public:
    // Where the watch reads the time, in seconds; ClockSeconds unless a test replaces it.
    using ClockSource = float (*)();

    explicit Timer(int movesPerControl);
    // Ends a running watch (which raises the stop flag) and waits for it.
    ~Timer() override;

    // Starts a watch for the current move. A watch still running from an earlier turn is
    // ended first, which raises the stop flag as every end does. Returns false when the
    // thread could not be started. `spentSeconds` is time the move has already taken (a
    // search begun before its clock ran), counted against its allotment.
    bool StartClock(float spentSeconds = 0.0f);
    // Ends the watch, waits for it (at most about one poll interval) and counts the move
    // against the control, starting a new control after its last move.
    void MoveDone();
    // Ends a running watch, then takes over the other Timer's settings. The clock source and
    // poll interval stay this Timer's own.
    void Assign(const Timer& other);
    void SetTimeLeft(float seconds);
    // Seconds added to the clock after every move (0 unless set; the xboard commands leave
    // it alone).
    void SetIncrement(float seconds);
    // Sets the moves to go from the number of moves the side to move has already made in the
    // game, as the interface counts the control: from the first move of the game, every
    // movesPerControl moves. The count then follows the game also when moves were made
    // without the engine thinking (a game loaded in force mode, a side switched mid-game,
    // moves taken back). A control without a move count is left alone.
    void SetMovesPlayed(int movesPlayed);

    // The seconds the next watch would allot to the move under the current settings.
    float Allotment() const;
    float TimeLeft() const;
    int MovesPerControl() const;
    int MovesToGo() const;

    // Replaces the clock and the polling interval of later watches, for tests and tools that
    // must not depend on real time.
    void SetClock(ClockSource clockSource, int pollMs);

   protected:
    // The watch: raises the stop flag when the allotment is used up or cancel is set.
    void Run() override;

   private:
    // The allotment for the given settings; the caller holds the lock.
    float AllotmentLocked() const;

    // Guarded by the Timer's Mutex.
    float timeLeft = 0.0f;
    float increment = 0.0f;
    float spent = 0.0f;  // of the watch started last
    int movesPerControl;
    int movesToGo;
    ClockSource clock;
    int pollMs = TIMER_POLL_MS;

    // The request to the watch to stop; set by other threads, polled by the watch.
    std::atomic<bool> cancel{false};
};

}  // namespace vardo
