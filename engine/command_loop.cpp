// The command loop: one pass gives the computer its turn when it is to move, then acts on at
// most one input line, a command of the table below or a move.
#include <climits>
#include <string>
#include <utility>

#include "board/notation.h"
#include "engine/engine.h"
#include "engine/uci_loop.h"
#include "search/stop_flag.h"

namespace vardo {

namespace {

// Where the first decimal digit of the line is, or npos.
std::size_t FirstDigit(const std::string& line) {
    return line.find_first_of("0123456789");
}

// The decimal number at `from`: digits up to the first non-digit, held at INT_MAX when larger.
int NumberAt(const std::string& line, std::size_t from) {
    long long value = 0;
    for (std::size_t i = from; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
        value = value * 10 + (line[i] - '0');
        if (value > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(value);
}

// The line without the check or mate mark that xboard writes after castling that gives check
// (O-O+, O-O-O#); any other line unchanged. The move parser knows castling only unmarked.
std::string WithoutCastlingMark(const std::string& line) {
    if (line.size() < 4 || (line.back() != '+' && line.back() != '#')) return line;
    const std::string word = line.substr(0, line.size() - 1);
    for (const char* castling : {"o-o", "O-O", "o-o-o", "O-O-O"}) {
        if (word == castling) return word;
    }
    return line;
}

}  // namespace

// Tested in this order; the first row that matches acts.
const Engine::Command Engine::commandTable[] = {
    {"xboard", Test::EQUAL, &Engine::Ignore},
    {"random", Test::EQUAL, &Engine::Ignore},
    {"accepted", Test::BEGINS, &Engine::Ignore},
    {"otim", Test::BEGINS, &Engine::Ignore},  // the opponent's clock is not kept
    {"computer", Test::EQUAL, &Engine::Ignore},
    {"easy", Test::EQUAL, &Engine::Ignore},
    {"hard", Test::EQUAL, &Engine::Ignore},
    {"", Test::EQUAL, &Engine::Ignore},
    {"rejected", Test::BEGINS, &Engine::Rejected},
    {"protover", Test::BEGINS, &Engine::Protover},
    {"ping", Test::BEGINS, &Engine::Ping},
    {"?", Test::EQUAL, &Engine::MoveNow},
    {"setboard", Test::BEGINS, &Engine::SetBoard},
    {"new", Test::EQUAL, &Engine::NewGame},
    {"go", Test::EQUAL, &Engine::Go},
    {"white", Test::EQUAL, &Engine::PlayWhite},
    {"black", Test::EQUAL, &Engine::PlayBlack},
    {"draw", Test::EQUAL, &Engine::OfferDraw},
    {"force", Test::EQUAL, &Engine::Force},
    {"st", Test::BEGINS, &Engine::MoveTime},
    {"level", Test::BEGINS, &Engine::Level},
    {"time", Test::BEGINS, &Engine::TimeLeft},
    {"undo", Test::EQUAL, &Engine::Undo},
    {"remove", Test::EQUAL, &Engine::Remove},
    {"post", Test::EQUAL, &Engine::Post},
    {"nopost", Test::EQUAL, &Engine::NoPost},
    {"board", Test::EQUAL, &Engine::Display},
    {"bk", Test::EQUAL, &Engine::ToggleBook},
    {"help", Test::EQUAL, &Engine::Help},
    {"result", Test::BEGINS, &Engine::Result},
    {"quit", Test::EQUAL, &Engine::Quit},
};

int Engine::CommandLoop() {
    LogEvent("New session");
    // Reading starts only now, so a session's log always begins with its start-up lines and
    // "New session", however fast the first lines arrive.
    console.Begin();
    bool firstLine = true;
    for (;;) {
        // 1. The computer's turn.
        if (ComputerTurn()) continue;
        // 2. Input; without any, sleep until a line comes, the turn ends or the poll is up.
        // After the end of input nothing can come: a computer turn under way is finished,
        // its move written, and then the session ends as "quit" ends it. (Read before the
        // queue: once the reader says the input has ended, its every line is queued.)
        const bool inputEnded = console.InputEnded();
        std::string line;
        if (!console.PopLine(line)) {
            if (inputEnded && !(computerSide == board.side && IsRunning())) {
                Quit(line);
                return 0;
            }
            console.WaitForInput(IDLE_POLL_MS);
            continue;
        }
        // A session that opens with "uci" speaks UCI to its end.
        if (std::exchange(firstLine, false) && line == "uci") return UciLoop(*this).Run();
        // 3. A command, or else 4. a move.
        if (ActOn(line)) return 0;
    }
}

bool Engine::FeedLine(const std::string& line) {
    while (ComputerTurn()) {
    }
    return ActOn(line);
}

void Engine::SetTimerClock(Timer::ClockSource clock, int pollMs) {
    MutexLock lock(*this);
    timer.SetClock(clock, pollMs);
}

bool Engine::ActOn(const std::string& line) {
    if (!Dispatch(line)) TypedMove(line);
    return std::exchange(quitting, false);
}

bool Engine::Dispatch(const std::string& line) {
    for (const Command& command : commandTable) {
        const bool matches =
            command.test == Test::EQUAL ? line == command.word : line.starts_with(command.word);
        if (matches) return (this->*command.action)(line);
    }
    return false;
}

void Engine::TypedMove(const std::string& line) {
    const MoveEntry entry = ParseMove(WithoutCastlingMark(line), board);
    if (entry.move.IsNull()) {
        console.WriteLine("Error (unknown command): " + line);
        LogEvent("(Main) Unknown;" + line);
        return;
    }
    if (computerSide == board.side || !board.IsListed(entry.move)) {
        console.WriteLine("Illegal move");
        return;
    }
    if (!board.MakeMove(entry.move)) {
        console.WriteLine("Illegal move");  // it would leave the mover's king attacked
        return;
    }
    // A search still running for the old position (after "force") is of no use any more.
    PositionChanged();
}

void Engine::PositionChanged() {
    if (IsRunning()) {
        stopFlag = true;
        Wait();
    }
    ClearResult();
}

// Shared by "st", "level" and "time": a new control with `movesPerControl` moves (or the
// current one when negative), and the clock set to `seconds` when asked. Changing the control
// ends a running watch, which stops the search in progress.
void Engine::SetTimeControl(int movesPerControl, float seconds, bool setSeconds) {
    MutexLock lock(*this);
    if (movesPerControl >= 0) timer.Assign(Timer(movesPerControl));
    if (setSeconds) timer.SetTimeLeft(seconds);
    if (IsRunning()) {
        LogWarning(movesPerControl >= 0 ? "(Main) Trying to set new time control while thinking"
                                        : "(Main) Trying to set remaining time while thinking");
    }
}

bool Engine::Ignore(const std::string&) {
    return true;
}

bool Engine::Rejected(const std::string& line) {
    LogWarning("(Main) Rejected;" + line);
    return true;
}

bool Engine::Protover(const std::string&) {
    console.WriteLine(std::string("feature analyze=0 colors=0 done=1 myname=\"VARDO ") + VERSION +
                      "\" ping=1 san=1 setboard=1 sigint=0 sigterm=0 variants=\"normal\"");
    return true;
}

bool Engine::Ping(const std::string& line) {
    const std::size_t digit = FirstDigit(line);
    if (digit == std::string::npos) return false;
    console.WriteLine("pong " + line.substr(digit));
    return true;
}

// The search ends at its next look at the flag and leaves the best move found so far, which
// the next pass plays.
bool Engine::MoveNow(const std::string&) {
    stopFlag = true;
    Wait();
    return true;
}

// The game starts afresh from the position: the moves before it can no longer be taken back.
bool Engine::SetBoard(const std::string& line) {
    constexpr std::size_t FEN_START = 9;  // after "setboard "
    if (line.size() <= FEN_START) return false;
    const std::string fen = line.substr(FEN_START);
    Board fresh;
    if (!fresh.SetFromFen(fen)) {
        console.WriteLine("tellusererror Illegal position");
        LogWarning("(Main) Illegal position;" + fen);
        return true;
    }
    PositionChanged();
    board = fresh;
    return true;
}

bool Engine::NewGame(const std::string&) {
    PositionChanged();
    board.Reset();
    search->ClearOrderingMemory();  // a new game is searched as the first game was
    computerSide = BLACK;
    drawOffered = false;
    {
        MutexLock lock(*this);
        timer.Assign(Timer(0));
    }
    LogEvent("(Main) New game");
    return true;
}

bool Engine::Go(const std::string&) {
    computerSide = board.side;
    return true;
}

bool Engine::PlayWhite(const std::string&) {
    computerSide = WHITE;
    return true;
}

bool Engine::PlayBlack(const std::string&) {
    computerSide = BLACK;
    return true;
}

bool Engine::OfferDraw(const std::string&) {
    drawOffered = true;
    return true;
}

// A search already running goes on; its result waits for the computer's next turn and is
// dropped if the position changes first.
bool Engine::Force(const std::string&) {
    computerSide = NO_COLOUR;
    return true;
}

bool Engine::MoveTime(const std::string& line) {
    const std::size_t digit = FirstDigit(line);
    if (digit == std::string::npos) return false;
    SetTimeControl(1, static_cast<float>(NumberAt(line, digit)), true);
    return true;
}

bool Engine::Level(const std::string& line) {
    const std::size_t digit = FirstDigit(line);
    if (digit == std::string::npos) return false;
    SetTimeControl(NumberAt(line, digit), 0.0f, false);
    LogEvent("(Main) New time control;" + line);
    return true;
}

bool Engine::TimeLeft(const std::string& line) {
    const std::size_t digit = FirstDigit(line);
    if (digit == std::string::npos) return false;
    SetTimeControl(-1, static_cast<float>(NumberAt(line, digit)) * TIME_COMMAND_UNIT, true);
    return true;
}

bool Engine::Undo(const std::string&) {
    if (board.undoStack.empty()) return true;
    PositionChanged();
    computerSide = NO_COLOUR;
    board.TakeBack();
    return true;
}

bool Engine::Remove(const std::string&) {
    if (board.undoStack.size() < 2) return true;
    PositionChanged();
    board.TakeBack();
    board.TakeBack();
    return true;
}

bool Engine::Post(const std::string&) {
    post = true;
    return true;
}

bool Engine::NoPost(const std::string&) {
    post = false;
    return true;
}

bool Engine::Display(const std::string&) {
    ShowBoard(board);
    return true;
}

bool Engine::ToggleBook(const std::string&) {
    const bool on = !book.enabled;
    book.enabled = on;
    // xboard collects the lines of a "bk" reply that begin with a tab and shows them when an
    // empty line ends the reply.
    console.WriteLine(on ? "\tOpening book: ON" : "\tOpening book: OFF");
    console.WriteLine("");
    return true;
}

bool Engine::Help(const std::string&) {
    ShowHelp();
    return true;
}

// The game goes on: the result is only recorded.
bool Engine::Result(const std::string& line) {
    LogEvent("(Main) Result;" + line);
    return true;
}

bool Engine::Quit(const std::string&) {
    LogEvent("Closed session");
    quitting = true;
    return true;
}

}  // namespace vardo
