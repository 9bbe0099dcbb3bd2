// The Engine: the application object that owns the game and everything that lives for the
// whole session, runs the command loop on the main thread and one computer turn at a time on
// its own thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <iostream>
#include <memory>
#include <string>

#include "board/board.h"
#include "book/book.h"
#include "engine/arguments.h"
#include "engine/console_reader.h"
#include "engine/turn_limits.h"
#include "engine/version.h"
#include "search/search_engine.h"
#include "search/search_listener.h"
#include "search/search_result.h"
#include "search/timer.h"
#include "support/log.h"
#include "support/random.h"
#include "support/thread.h"

namespace vardo {

struct Network;

// A draw offer is taken when the computer's own score is below this...
inline constexpr int DRAW_ACCEPT_SCORE = 50;
// ...and the game has more plies than this.
inline constexpr int DRAW_ACCEPT_PLIES = 30;
// The computer resigns when its score is below this.
inline constexpr int RESIGN_SCORE = -650;

// The two decisions a finished turn's score can lead to instead of a move; `score` is from the
// computer's side, `plies` the number of moves in the game so far.
constexpr bool AcceptsDraw(int score, std::size_t plies) {
    return score < DRAW_ACCEPT_SCORE && plies > static_cast<std::size_t>(DRAW_ACCEPT_PLIES);
}
constexpr bool Resigns(int score) {
    return score < RESIGN_SCORE;
}
// With --strong, the share of a move's allotment after which no new iteration begins: each
// takes about as long as all before it, so one begun later would rarely finish.
inline constexpr float SOFT_TIME_SHARE = 0.5f;
// A level's wait for the rest of its thinking time is cut into sleeps of at most this, so that
// a stop ends it soon.
inline constexpr int LEVEL_WAIT_POLL_MS = 10;
// The command loop's sleep when no input is queued.
inline constexpr int IDLE_POLL_MS = 25;

// Owns the process-wide log for as long as it lives. The Engine holds one as its first member,
// so the log exists before any of its threads starts and is closed only after all have ended.
class SessionLog {
   public:
    explicit SessionLog(const std::string& fileName);
    ~SessionLog();
    SessionLog(const SessionLog&) = delete;
    SessionLog& operator=(const SessionLog&) = delete;

   private:
    std::unique_ptr<Log> log;
};

class Engine : public Thread, public SearchListener {
   public:
    // Opens the log, starts the console thread on `input`, loads the book and writes the
    // banner to `output`. The program uses standard input and output and the fixed file
    // names; tests pass their own streams and files. A transposition table smaller than the
    // options ask for (all the machine could give) is logged as a warning.
    explicit Engine(std::istream& input = std::cin, std::ostream& output = std::cout,
                    const std::string& bookFile = BOOK_FILE,
                    const std::string& logFile = LogFileName(),
                    const EngineOptions& options = EngineOptions());
    // Stops a search in progress and waits for every thread before the log is closed.
    ~Engine() override;

    // The size of the search's transposition table.
    std::size_t HashMegabytes() const { return search->Table().Megabytes(); }

    // Reads and acts on commands until "quit" (or the end of input); returns 0.
    int CommandLoop();

    // For the fuzzer, which drives the loop without the console thread: the passes of the
    // command loop that `line` goes through once it is read (the computer's part, as long as it
    // ends the pass, then the line). True when the line ends the session.
    bool FeedLine(const std::string& line);
    // For the fuzzer: the clock and poll interval of the time control's watch, kept by "new",
    // "st", "level" and "time" (a short poll ends a stopped turn's watch sooner).
    void SetTimerClock(Timer::ClockSource clock, int pollMs);

    // What a front end other than the command loop plays through (the UCI loop): it reads
    // and writes its own lines on the console and leaves the computer's side unused.
    ConsoleReader& Console() { return console; }
    const Board& GamePosition() const { return board; }
    // Replaces the game position; a running turn is stopped and its result dropped.
    void SetGamePosition(const Board& position);
    // A new game: the start position, the ordering memory and table cleared, no time control.
    void StartNewGame();
    // The time control of the next turn: `movesToGo` moves (0: the rest of the game) in
    // `seconds`, with `increment` seconds added after each move.
    void SetClock(int movesToGo, float seconds, float increment);
    // Starts a turn on a copy of the game position within `limits`, the stop flag lowered
    // first; false (logged) when the search thread does not start.
    bool StartTurn(const TurnLimits& limits);
    // For a turn started without a watch (UCI's "go ponder"): starts the watch now, on the
    // clock set for the turn, with `spentSeconds` already counted toward the move. False when
    // the turn has ended (or is ending) without one.
    bool StartTurnClock(float spentSeconds);
    // Whether the turn last started has left its result (true when none was started).
    bool TurnDone() const { return !IsRunning() || turnDone; }
    // A running turn ends at its next node once depth 1 is complete, leaving its result.
    void StopTurn();
    // Waits for the turn to return and hands over its result (the null move when it found
    // none), leaving none pending.
    SearchResult TakeResult();
    // Settings, changed only between turns: the table's size (the megabytes obtained are
    // returned), the search threads, the table emptied, the book on or off.
    std::size_t SetHashMegabytes(std::size_t megabytes);
    void SetThreads(int threads);
    // For the fuzzer: the largest table and the most threads these settings give; a request
    // for more gets these.
    void CapResources(std::size_t hashMegabytes, int threads) {
        hashCap = hashMegabytes;
        threadCap = threads;
    }
    int Threads() const { return search->Threads(); }
    void ClearHash();
    void SetOwnBook(bool on) { book.enabled = on; }
    bool OwnBook() const { return book.enabled; }
    // The selective search (--strong) on or off: the engine searches with the one chosen,
    // which starts with an empty table of the same size and the same threads.
    void SetStrong(bool on);
    bool Strong() const { return strong; }
    // A level (engine/level.h): the rating of a weaker game, MIN_LEVEL_ELO to MAX_LEVEL_ELO, or
    // 0 for full strength. A level plays the selective search whatever SetStrong chose.
    void SetLevel(int elo);
    int Level() const { return levelElo; }
    // The net file the selective search judges positions with; an empty path goes back to the
    // net built into the program (strong/embedded_network.h), or the evaluation where there is
    // none. False, with the reason in `why`, for a file that is missing, short or damaged: the
    // net in use stays.
    bool LoadNetwork(const std::string& path, std::string& why);
    const std::string& NetworkFile() const { return networkFile; }
    // For a listener that reports the selective depth and the table's use as it goes. The
    // search is replaced only between turns, by SetStrong.
    const SearchEngine& TurnSearch() const { return *search; }

    // What the console shows: the board as eight rows, the command summary, the resignation line.
    void ShowBoard(const Board& position);
    void ShowHelp();
    void Resign(int colour);

    // The thinking line of one completed iteration, when posting is on.
    void OnIteration(int depth, unsigned nodes, float seconds, int score,
                     const Line& line) override;

   protected:
    // One computer turn on the search thread: a book move or a search of searchBoard.
    void Run() override;

   private:
    enum class Test { EQUAL, BEGINS };
    // A row of the command table. The action returns false when the line is to be read as a
    // move after all (a missing argument).
    struct Command {
        const char* word;
        Test test;
        bool (Engine::*action)(const std::string& line);
    };
    static const Command commandTable[];

    // The computer's part of a pass: start a turn, or play, resign or accept a draw with the
    // result of a finished one. True when the pass ends there.
    bool ComputerTurn();
    // Acts on a line from the table; false when no row takes it.
    bool Dispatch(const std::string& line);
    // Acts on a line: a command of the table, or else a move. True when it ends the session.
    bool ActOn(const std::string& line);
    // A line that no row takes: a move typed by the user, or an unknown command.
    void TypedMove(const std::string& line);
    // Called when the game board changes: stops a running search and drops its result or a
    // pending one, so a move found for another position is never played. (The search works on
    // its own copy, so the board may change before this is called.)
    void PositionChanged();
    void ClearResult();
    // Builds the search that `strong` and the level call for, when it is not the one built.
    void ChooseSearch();
    // A level's turn: its search within `limits` and its choice among the lines found; then,
    // on the clock, the rest of a natural thinking time. `started` is the turn's start.
    BestMove LevelSearch(SearchListener* shown, SearchLimits limits, float started);
    void SetTimeControl(int movesPerControl, float seconds, bool setSeconds);

    // The actions of the command table.
    bool Ignore(const std::string& line);
    bool Rejected(const std::string& line);
    bool Protover(const std::string& line);
    bool Ping(const std::string& line);
    bool MoveNow(const std::string& line);
    bool SetBoard(const std::string& line);
    bool NewGame(const std::string& line);
    bool Go(const std::string& line);
    bool PlayWhite(const std::string& line);
    bool PlayBlack(const std::string& line);
    bool OfferDraw(const std::string& line);
    bool Force(const std::string& line);
    bool MoveTime(const std::string& line);
    bool Level(const std::string& line);
    bool TimeLeft(const std::string& line);
    bool Undo(const std::string& line);
    bool Remove(const std::string& line);
    bool Post(const std::string& line);
    bool NoPost(const std::string& line);
    bool Display(const std::string& line);
    bool ToggleBook(const std::string& line);
    bool Help(const std::string& line);
    bool Result(const std::string& line);
    bool Quit(const std::string& line);

    SessionLog sessionLog;  // first: outlives every thread that logs
    Board board;            // the game; read and changed by the main thread only
    Book book;
    // The net loaded from a file (null: none, the built-in evaluation) and the file's path;
    // before the search, which holds it, so that it outlives the search.
    std::unique_ptr<Network> network;
    std::string networkFile;
    // The search the turns use: the design's or, with --strong or a level, the selective one.
    std::unique_ptr<SearchEngine> search;
    bool strong = false;     // as --strong or the Strong option set it
    bool selective = false;  // which search `search` is
    int levelElo = 0;        // the level's rating; 0: full strength
    // The levels' choices and thinking times; drawn by the search thread only.
    Random levelRandom;
    // The side the computer plays (WHITE, BLACK or NO_COLOUR).
    std::atomic<int> computerSide{BLACK};
    ConsoleReader console;
    bool drawOffered = false;
    // Written by the search thread before turnDone is raised; read by the command loop only
    // after that (or when no turn runs).
    SearchResult result;
    std::atomic<bool> post{false};
    Timer timer{0};  // settings and watch changed under the Engine's mutex

    // The position of the turn in progress: copied from the game board by the command loop
    // before the search thread starts and only read while it runs.
    Board searchBoard;
    // The limits of the turn in progress: set with searchBoard, read by the search thread.
    TurnLimits turn;
    // Raised by the search thread when its turn's result is in place.
    std::atomic<bool> turnDone{false};
    // Whether the turn in progress may still start its watch (StartTurnClock); guarded by the
    // Engine's mutex, lowered by the search thread as it ends the watch.
    bool watchAllowed = false;
    // What SetHashMegabytes and SetThreads give at most (CapResources).
    std::size_t hashCap = MAX_HASH_MEGABYTES;
    int threadCap = MAX_THREADS;
    bool quitting = false;  // raised by "quit"; read and lowered by ActOn
};

// Whether the side to move has a move that does not leave its king attacked.
bool HasLegalMove(const Board& position);

}  // namespace vardo
