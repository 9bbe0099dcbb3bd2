// The UCI front end: when a session opens with "uci", this loop reads the rest of it in place
// of the command loop. It parses lines and calls into the Engine, which keeps the game, the
// searcher, the book, the timer and the log for both protocols.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "engine/engine.h"
#include "engine/uci_info.h"

namespace vardo {

// The watch's poll under UCI: a "stop" ends a timed turn within this, not the xboard poll.
inline constexpr int UCI_TIMER_POLL_MS = 5;
// Kept back from "go movetime" for writing the move after the watch stops the search.
inline constexpr int MOVETIME_RESERVE_MS = 5;
// Most lines held back while a search runs; more are refused.
inline constexpr std::size_t MAX_HELD_LINES = 1024;
// Longest piece of a refused line repeated in an "info string" reply.
inline constexpr std::size_t SHOWN_INPUT_LENGTH = 60;
// UCI_Elo before it is set, unless --elo gave a level.
inline constexpr int DEFAULT_UCI_ELO = 1500;
// Most lines the MultiPV option asks for: more than any position has moves.
inline constexpr int MAX_LINES = 500;

class UciLoop {
   public:
    explicit UciLoop(Engine& engine);

    // Answers the "uci" that opened the session, then acts on lines until "quit" or the end
    // of input; returns 0.
    int Run();

    // The parts of Run, for the fuzzer, which feeds the lines itself: Open answers the "uci";
    // Feed acts on one line (once the lines held for an ended search are acted on) and is
    // true when the line ends the session, which Close then ends; EndInput is the end of
    // input, and ends the session.
    void Open();
    bool Feed(const std::string& line);
    int EndInput();
    // Ends the session as "quit" does: a running turn is stopped and its move written.
    int Close();

   private:
    using Words = std::vector<std::string_view>;
    // A row of the command table. A command that changes the position, the options or starts
    // a search waits while a search runs (`waits`): it is held, with any such line after it,
    // until the bestmove is written, while "isready" and "stop" are answered at once.
    struct Command {
        const char* word;
        void (UciLoop::*action)(const Words& words);
        bool waits;
    };
    static const Command commandTable[];

    enum class Kind { SPIN, CHECK, BUTTON, STRING };
    // A row of the options table: the current value is what "uci" shows as the default
    // (null for a button); `set` gets a value already checked against min and max (0 or 1
    // for a check, ignored for a button). A string has `text` and `setText` instead.
    struct Option {
        const char* name;
        Kind kind;
        std::int64_t min;
        std::int64_t max;
        std::int64_t (UciLoop::*current)() const;
        void (UciLoop::*set)(std::int64_t value);
        std::string (UciLoop::*text)() const = nullptr;
        void (UciLoop::*setText)(const std::string& value) = nullptr;
    };
    static const Option optionTable[];

    // Acts on one line, or holds it while a search runs or earlier lines are held (unless it
    // is one of those, `wasHeld`); true when it ends the session.
    bool ActOn(const std::string& line, bool wasHeld = false);
    // Moves the oldest held line into `line` when no search runs; false otherwise.
    bool TakeHeld(std::string& line);
    // Writes the bestmove of a finished turn, unless an infinite one still waits for "stop"
    // or a pondering one for "ponderhit".
    void ReportWhenDone();
    // "bestmove M", with "ponder R" when a reply to the move is known.
    void WriteBestMove();
    Move PonderMove(const SearchResult& found) const;
    // The moves of "go searchmoves" that are legal in `position`, into `moves`; the others
    // are refused.
    void ChooseSearchMoves(const Board& position, const Words& named, RootMoves& moves);
    // A reply that says why a line was not acted on, quoting it.
    void Refuse(const std::string& why, std::string_view input);

    // The actions of the command table.
    void Uci(const Words& words);
    void IsReady(const Words& words);
    void NewGame(const Words& words);
    void Position(const Words& words);
    void Go(const Words& words);
    void Stop(const Words& words);
    void PonderHit(const Words& words);
    void Ignore(const Words& words);
    void SetOption(const Words& words);

    // The options' values and setters.
    std::int64_t HashNow() const;
    void SetHash(std::int64_t megabytes);
    std::int64_t ThreadsNow() const;
    void SetThreads(std::int64_t threads);
    void ClearHash(std::int64_t);
    std::int64_t OwnBookNow() const;
    void SetOwnBook(std::int64_t on);
    std::int64_t StrongNow() const;
    void SetStrong(std::int64_t on);
    std::int64_t MultiPvNow() const { return lines; }
    void SetMultiPv(std::int64_t count) { lines = static_cast<int>(count); }
    std::int64_t PonderNow() const { return ponderOption ? 1 : 0; }
    void SetPonder(std::int64_t on) { ponderOption = on != 0; }
    std::int64_t Chess960Now() const { return chess960 ? 1 : 0; }
    void SetChess960(std::int64_t on) { chess960 = on != 0; }
    std::int64_t LimitStrengthNow() const { return limitStrength ? 1 : 0; }
    void SetLimitStrength(std::int64_t on);
    std::int64_t EloNow() const { return elo; }
    void SetElo(std::int64_t rating);
    std::string EvalFileNow() const;
    void SetEvalFile(const std::string& path);

    Engine& engine;
    ConsoleReader& console;
    UciInfo info;
    std::string currentLine;       // the line being acted on, for the log
    std::deque<std::string> held;  // lines that wait for the search to end, oldest first
    bool positionGiven = false;
    int lines = 1;              // MultiPV
    bool ponderOption = false;  // Ponder: the interface may send "go ponder" (no other effect)
    bool chess960 = false;      // UCI_Chess960: positions are set up and castle by its rules
    bool limitStrength;         // UCI_LimitStrength: play the level of UCI_Elo
    int elo;                    // UCI_Elo
    bool searching = false;     // a "go" whose bestmove is not written yet
    bool waitForStop = false;   // "go infinite": the bestmove waits for "stop"
    bool pondering = false;     // "go ponder": the bestmove waits for "ponderhit" or "stop"
    bool ponderClock = false;   // the pondering go gave a clock, which "ponderhit" starts
    float goSeconds = 0.0f;     // when the go arrived (ClockSeconds)
    bool noMove = false;        // the position had no legal move: no turn was started
};

// The move of `board` that a move in coordinate notation names (e2e4, e7e8q, castling as the
// king's move e1g1, or as the king taking its own rook, e1h1, on a board of Chess960 rules), as the
// generators list it; the null move when none. Whether it leaves the king attacked is not asked.
Move FindCoordinateMove(Board& board, std::string_view text);

// The moves of "position ... moves" made on `board`, each in coordinate notation (e2e4,
// e7e8q, castling as FindCoordinateMove reads it). False at the first that is no legal move of the
// position reached, with its index in `bad`; the board then stands after the moves before it.
bool PlayCoordinateMoves(Board& board, const std::vector<std::string_view>& moves,
                         std::size_t& bad);

}  // namespace vardo
