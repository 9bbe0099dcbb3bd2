// The computer's turn: the search thread's Run, its thinking lines, and what the command loop
// does with the result.
#include <algorithm>
#include <cstdio>
#include <string>

#include "board/notation.h"
#include "engine/engine.h"
#include "engine/level.h"
#include "engine/level_lines.h"
#include "search/stop_flag.h"
#include "support/clock.h"
#include "support/sleep.h"

namespace vardo {

bool HasLegalMove(const Board& position) {
    Board trial(position);
    trial.GenerateMoves();
    const MoveList moves = trial.CurrentMoves();
    for (const MoveEntry& entry : moves) {
        if (trial.MakeMove(entry.move)) return true;
    }
    return false;
}

// Runs on the search thread and reads only searchBoard, which the command loop leaves alone
// until the turn is done.
void Engine::Run() {
    SearchResult found;
    std::string text;
    MoveEntry entry;
    if (turn.book && book.ChooseLegal(searchBoard, text, entry)) {
        // A book move is announced with the book's own text; its score is the move's
        // ordering score. No watch is started: the choice is instant.
        found.text = text;
        found.move = entry.move;
        found.score = entry.score;
    } else {
        const float started = ClockSeconds();
        float softSeconds = 0.0f;
        if (turn.watch != TurnLimits::Watch::NONE) {
            MutexLock lock(*this);
            if (timer.IsRunning()) LogWarning("(Main) Time control already running");
            // The side to move has made half the plies since the game's start position
            // (rounded down), whoever moved first.
            if (turn.watch == TurnLimits::Watch::GAME)
                timer.SetMovesPlayed(static_cast<int>(searchBoard.undoStack.size() / 2));
            // The selective search begins no iteration it is unlikely to finish in time.
            if (selective) softSeconds = timer.Allotment() * SOFT_TIME_SHARE;
            if (!timer.StartClock()) LogError("(Main) Time control didn't start");
        }
        SearchLimits limits;
        limits.maxDepth = turn.maxDepth;
        limits.softSeconds = softSeconds;
        limits.nodeLimit = turn.maxNodes;
        limits.rootMoves = turn.rootMoves;
        limits.lines = turn.lines;
        SearchListener* shown = turn.listener != nullptr ? turn.listener : this;
        const BestMove best = levelElo > 0 ? LevelSearch(shown, limits, started)
                                           : search->Search(searchBoard, shown, limits);
        found.text = FormatMove(best.move, searchBoard);
        found.move = best.move;
        found.score = best.score;
        found.ponder = best.reply;
    }
    result = found;
    {
        // Ends the watch (if any) and counts the move against the time control; from here
        // on no watch is started for this turn.
        MutexLock lock(*this);
        watchAllowed = false;
        timer.MoveDone();
    }
    turnDone = true;
    console.Wake();
}

// The line is replayed from the position the search started from, so every move is written
// in the notation of the position it is played in.
void Engine::OnIteration(int depth, unsigned nodes, float seconds, int score, const Line& line) {
    if (!post) return;
    Board replay(searchBoard);
    std::string moves;
    for (const MoveEntry& entry : line) {
        moves += ' ';
        moves += FormatMove(entry.move, replay);
        if (!replay.MakeMove(entry.move)) LogWarning("(Main) Illegal move in pv;" + moves);
    }
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%d %d %d %u", depth, score,
                  static_cast<int>(seconds * 100.0), nodes);
    console.WriteLine(numbers + moves);
}

BestMove Engine::LevelSearch(SearchListener* shown, SearchLimits limits, float started) {
    const LevelSettings level = LevelFor(levelElo);
    limits.maxDepth = std::min(limits.maxDepth, level.maxDepth);
    if (level.nodes != 0)
        limits.nodeLimit =
            limits.nodeLimit != 0 ? std::min(limits.nodeLimit, level.nodes) : level.nodes;
    const int shownLines = limits.lines;
    limits.lines = std::max(limits.lines, level.lines);
    LevelLines lines(shown, shownLines, searchBoard.side);
    BestMove best = search->Search(searchBoard, &lines, limits);
    if (!lines.Lines().empty()) {
        const LevelLine& chosen = lines.Lines()[ChooseLevelLine(lines.Lines(), level, levelRandom)];
        best = {chosen.move, chosen.score, chosen.reply};
    }

    // A person does not answer at once: on the clock, the move waits until a share of its
    // allotment has passed (unless the turn is stopped first).
    float allotment = 0.0f;
    {
        MutexLock lock(*this);
        if (turn.watch != TurnLimits::Watch::NONE && timer.IsRunning())
            allotment = timer.Allotment();
    }
    const float share = level.thinkShareLow + (level.thinkShareHigh - level.thinkShareLow) *
                                                  static_cast<float>(levelRandom.Below(1001)) /
                                                  1000.0f;
    const float until = started + allotment * share;
    for (float now = ClockSeconds(); !stopFlag && now < until; now = ClockSeconds())
        SleepMs(std::min(LEVEL_WAIT_POLL_MS, static_cast<int>((until - now) * 1000.0f) + 1));
    return best;
}

bool Engine::ComputerTurn() {
    if (computerSide != board.side) return false;
    if (IsRunning() && !turnDone) return false;
    Wait();  // the turn has ended or is just returning: joins at once

    // 1. Nothing pending: start a turn, unless the computer has no move at all (mate or
    // stalemate on the board); then wait for a command that changes the position or sides.
    if (!result.Pending()) {
        if (!HasLegalMove(board)) return false;
        searchBoard = board;
        turnDone = false;
        // Lowered here, before the turn starts its watch, so a stop raised by "?" or by a
        // watch with no time left is never lost.
        stopFlag = false;
        if (Start()) return true;
        LogError("(Main) Thread didn't start");
        return false;  // read input and sleep before trying again
    }

    // 2. An offered draw is decided now, and only now.
    if (drawOffered) {
        drawOffered = false;
        if (AcceptsDraw(result.score, board.undoStack.size())) {
            // xboard takes an engine's acceptance only as its own offer to the offer it made.
            console.WriteLine("accept draw");
            console.WriteLine("offer draw");
            computerSide = NO_COLOUR;
            ClearResult();
            return true;
        }
    }

    // 3. A lost position: resign instead of moving.
    if (Resigns(result.score)) {
        Resign(computerSide);
        computerSide = NO_COLOUR;
        ClearResult();
        return true;
    }

    // 4. Play the move; the pass goes on to read input.
    if (board.MakeMove(result.move)) {
        console.WriteLine("move " + result.text);
    } else {
        LogWarning("(Main) No legal move;" + result.text);
        computerSide = NO_COLOUR;
    }
    ClearResult();
    return false;
}

void Engine::ClearResult() {
    result = SearchResult();
}

}  // namespace vardo
