// The UCI loop: one pass writes the bestmove of a finished turn, then acts on at most one
// input line, a command of the table below.
#include "engine/uci_loop.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>

#include "board/notation.h"
#include "board/tables.h"
#include "engine/level.h"
#include "search/timer.h"
#include "support/clock.h"
#include "support/log.h"

namespace vardo {

namespace {

// The words of a line, split at blanks and tabs.
std::vector<std::string_view> SplitWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) break;
        const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    return words;
}

// The words from `first` to `last` (excluded) joined by single blanks.
std::string Joined(const std::vector<std::string_view>& words, std::size_t first,
                   std::size_t last) {
    std::string text;
    for (std::size_t i = first; i < last && i < words.size(); ++i) {
        if (!text.empty()) text += ' ';
        text += words[i];
    }
    return text;
}

bool SameWord(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The input as an "info string" may quote it: printable characters only, and not too long.
std::string Shown(std::string_view input) {
    std::string text;
    for (const char c : input.substr(0, SHOWN_INPUT_LENGTH))
        text += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    if (input.size() > SHOWN_INPUT_LENGTH) text += "...";
    return text;
}

// A whole word as a decimal number; false for anything else.
bool ReadNumber(std::string_view word, std::int64_t& value) {
    const char* end = word.data() + word.size();
    const auto [ptr, error] = std::from_chars(word.data(), end, value);
    return error == std::errc() && ptr == end && !word.empty();
}

}  // namespace

Move FindCoordinateMove(Board& board, std::string_view text) {
    int from, to;
    if ((text.size() != 4 && text.size() != 5) || !ParseSquare(text, from) ||
        !ParseSquare(text.substr(2), to))
        return Move();
    const int promote = text.size() == 5 ? LetterPiece(text[4]) : EMPTY;
    if (text.size() == 5 && (promote == PAWN || promote == KING || promote == EMPTY)) return Move();
    // The generators' entry carries the flags MakeMove needs; a promotion is listed once per
    // man, and only a promotion takes a letter.
    board.GenerateMovesUnsorted();
    for (const MoveEntry& entry : board.CurrentMoves()) {
        const bool promotion = (entry.move.bits & PROMOTION) != 0;
        if (entry.move.from == from && entry.move.to == to &&
            (promotion ? entry.move.promote == promote : promote == EMPTY))
            return entry.move;
    }
    return Move();
}

bool PlayCoordinateMoves(Board& board, const std::vector<std::string_view>& moves,
                         std::size_t& bad) {
    for (std::size_t i = 0; i < moves.size(); ++i) {
        bad = i;
        const Move found = FindCoordinateMove(board, moves[i]);
        if (found.IsNull() || !board.MakeMove(found)) return false;
        // One ply list a move would add up over a long game; none is needed between moves.
        board.ClearPlyState();
    }
    return true;
}

// Tested in this order; the first row whose word is the line's first acts.
const UciLoop::Command UciLoop::commandTable[] = {
    {"uci", &UciLoop::Uci, false},
    {"isready", &UciLoop::IsReady, false},
    {"ucinewgame", &UciLoop::NewGame, true},
    {"position", &UciLoop::Position, true},
    {"go", &UciLoop::Go, true},
    {"stop", &UciLoop::Stop, false},
    {"setoption", &UciLoop::SetOption, true},
    {"ponderhit", &UciLoop::PonderHit, false},
    {"debug", &UciLoop::Ignore, false},  // nothing more is written when it is on
};

// What "uci" offers; a new option is one row and its two members.
const UciLoop::Option UciLoop::optionTable[] = {
    {"Hash", Kind::SPIN, 0, static_cast<std::int64_t>(MAX_HASH_MEGABYTES), &UciLoop::HashNow,
     &UciLoop::SetHash},
    {"Threads", Kind::SPIN, 1, MAX_THREADS, &UciLoop::ThreadsNow, &UciLoop::SetThreads},
    {"Clear Hash", Kind::BUTTON, 0, 0, nullptr, &UciLoop::ClearHash},
    {"OwnBook", Kind::CHECK, 0, 1, &UciLoop::OwnBookNow, &UciLoop::SetOwnBook},
    {"Strong", Kind::CHECK, 0, 1, &UciLoop::StrongNow, &UciLoop::SetStrong},
    {"MultiPV", Kind::SPIN, 1, MAX_LINES, &UciLoop::MultiPvNow, &UciLoop::SetMultiPv},
    {"Ponder", Kind::CHECK, 0, 1, &UciLoop::PonderNow, &UciLoop::SetPonder},
    {"UCI_Chess960", Kind::CHECK, 0, 1, &UciLoop::Chess960Now, &UciLoop::SetChess960},
    {"UCI_LimitStrength", Kind::CHECK, 0, 1, &UciLoop::LimitStrengthNow,
     &UciLoop::SetLimitStrength},
    {"UCI_Elo", Kind::SPIN, MIN_LEVEL_ELO, MAX_LEVEL_ELO, &UciLoop::EloNow, &UciLoop::SetElo},
    {"EvalFile", Kind::STRING, 0, 0, nullptr, nullptr, &UciLoop::EvalFileNow,
     &UciLoop::SetEvalFile},
};

UciLoop::UciLoop(Engine& engine_)
    : engine(engine_),
      console(engine_.Console()),
      info(engine_.Console(), [this]() -> const SearchEngine& { return engine.TurnSearch(); }),
      limitStrength(engine_.Level() > 0),
      elo(engine_.Level() > 0 ? engine_.Level() : DEFAULT_UCI_ELO) {}

int UciLoop::Run() {
    Open();
    for (;;) {
        ReportWhenDone();
        std::string line;
        if (TakeHeld(line)) {
            if (ActOn(line, true)) return Close();
            continue;
        }
        // As in the command loop: read whether the input has ended before the queue.
        const bool inputEnded = console.InputEnded();
        if (!console.PopLine(line)) {
            if (inputEnded) return EndInput();
            console.WaitForInput(IDLE_POLL_MS);
            continue;
        }
        if (ActOn(line)) return Close();
    }
}

void UciLoop::Open() {
    engine.SetTimerClock(&ClockSeconds, UCI_TIMER_POLL_MS);
    Uci(Words{});
}

bool UciLoop::Feed(const std::string& line) {
    ReportWhenDone();
    std::string heldLine;
    while (TakeHeld(heldLine)) {
        if (ActOn(heldLine, true)) return true;
        ReportWhenDone();
    }
    return ActOn(line);
}

// Once the input has ended nothing can come: no "stop" for an infinite search, no "ponderhit",
// no "quit". So no search runs on: the one under way stops at once and its move is written,
// then the held lines are acted on, every search they start stopped as it starts, and the
// session ends as after "quit".
int UciLoop::EndInput() {
    for (;;) {
        if (searching) Stop(Words{});
        std::string line;
        if (!TakeHeld(line)) return Close();
        if (ActOn(line, true)) return Close();
    }
}

bool UciLoop::TakeHeld(std::string& line) {
    if (searching || held.empty()) return false;
    line = std::move(held.front());
    held.pop_front();
    return true;
}

bool UciLoop::ActOn(const std::string& line, bool wasHeld) {
    // "quit" as the console reader knows it, which then reads no more.
    if (line == "quit") return true;
    const Words words = SplitWords(line);
    if (words.empty()) return false;
    currentLine = line;
    for (const Command& command : commandTable) {
        if (words[0] != command.word) continue;
        if (command.waits && (searching || (!held.empty() && !wasHeld))) {
            if (held.size() < MAX_HELD_LINES)
                held.push_back(line);
            else
                Refuse("too many lines wait for the search to end, ignored", line);
        } else {
            (this->*command.action)(words);
        }
        return false;
    }
    LogEvent("(Main) Unknown;" + line);
    Refuse("unknown command", line);
    return false;
}

void UciLoop::Refuse(const std::string& why, std::string_view input) {
    console.WriteLine("info string " + why + ": " + Shown(input));
}

int UciLoop::Close() {
    if (searching) {
        engine.StopTurn();
        WriteBestMove();
    }
    LogEvent("Closed session");
    return 0;
}

void UciLoop::ReportWhenDone() {
    if (!searching || waitForStop || pondering || (!noMove && !engine.TurnDone())) return;
    WriteBestMove();
}

void UciLoop::WriteBestMove() {
    const SearchResult found = noMove ? SearchResult() : engine.TakeResult();
    searching = waitForStop = pondering = noMove = false;
    if (!found.Pending()) return console.WriteLine("bestmove 0000");
    std::string text = "bestmove " + CoordinateText(found.move);
    const Move reply = PonderMove(found);
    if (!reply.IsNull()) text += " ponder " + CoordinateText(reply);
    console.WriteLine(text);
}

// The line's second move, or else the move the table holds for the position after the best
// move (a book move, a line cut short); none unless it is a legal move there. The search has
// ended: nothing else reads or writes the table.
Move UciLoop::PonderMove(const SearchResult& found) const {
    Board after(engine.GamePosition());
    if (!after.MakeMove(found.move)) return Move();
    Move reply = found.ponder;
    TableEntry stored;
    if (reply.IsNull() && engine.TurnSearch().Table().Probe(after.PositionKey(), 0, stored))
        reply = stored.move;
    MoveEntry listed;
    if (reply.IsNull() || !after.FindGenerated(reply, listed) || !after.IsLegal(listed.move))
        return Move();
    return listed.move;
}

void UciLoop::Uci(const Words&) {
    console.WriteLine(std::string("id name Vardo ") + VERSION);
    console.WriteLine("id author Vardo developers");
    for (const Option& option : optionTable) {
        std::string text = std::string("option name ") + option.name;
        if (option.kind == Kind::SPIN) {
            text += " type spin default " + std::to_string((this->*option.current)()) + " min " +
                    std::to_string(option.min) + " max " + std::to_string(option.max);
        } else if (option.kind == Kind::CHECK) {
            text += std::string(" type check default ") +
                    ((this->*option.current)() != 0 ? "true" : "false");
        } else if (option.kind == Kind::STRING) {
            const std::string value = (this->*option.text)();
            text += " type string default " + (value.empty() ? std::string("<empty>") : value);
        } else {
            text += " type button";
        }
        console.WriteLine(text);
    }
    console.WriteLine("uciok");
}

void UciLoop::IsReady(const Words&) {
    console.WriteLine("readyok");
}

void UciLoop::Ignore(const Words&) {}

void UciLoop::NewGame(const Words&) {
    engine.StartNewGame();
    positionGiven = false;
}

// "position startpos|fen FEN [moves m1 m2 ...]": the game position is replaced only when the
// whole line is good.
void UciLoop::Position(const Words& words) {
    const auto movesAt =
        static_cast<std::size_t>(std::find(words.begin(), words.end(), "moves") - words.begin());
    Board fresh;
    const Board::Variant variant = chess960 ? Board::Variant::CHESS960 : Board::Variant::STANDARD;
    if (words.size() >= 2 && words[1] == "startpos" && movesAt == 2) {
        // The start position, as built; under Chess960 rules castling is written as the king
        // taking its rook there too.
        if (chess960) fresh.SetFromFen(START_FEN, variant);
    } else if (words.size() >= 3 && words[1] == "fen") {
        const std::string fen = Joined(words, 2, movesAt);
        if (!fresh.SetFromFen(fen, variant)) {
            LogWarning("(Main) Illegal position;" + fen);
            return Refuse("illegal position, the position is unchanged", fen);
        }
    } else {
        return Refuse("position needs startpos or fen FEN, the position is unchanged", currentLine);
    }
    const std::vector<std::string_view> moves(words.begin() + std::min(movesAt + 1, words.size()),
                                              words.end());
    std::size_t bad = 0;
    if (!PlayCoordinateMoves(fresh, moves, bad))
        return Refuse("illegal move " + std::to_string(bad + 1) + " in position, the position " +
                          "is unchanged",
                      moves[bad]);
    engine.SetGamePosition(fresh);
    positionGiven = true;
}

void UciLoop::Go(const Words& words) {
    // A number below zero counts as zero (an interface may let a clock run past zero), or as
    // one for depth, nodes and mate.
    constexpr std::int64_t NOT_GIVEN = INT64_MIN;
    std::int64_t time[2] = {NOT_GIVEN, NOT_GIVEN};
    std::int64_t increment[2] = {0, 0};
    std::int64_t movesToGo = 0, moveTime = NOT_GIVEN, depth = NOT_GIVEN, nodes = NOT_GIVEN,
                 mate = NOT_GIVEN;
    bool infinite = false, ponder = false, searchMovesGiven = false;
    Words named;  // the moves after "searchmoves"
    const struct {
        const char* word;
        std::int64_t* value;
    } fields[] = {
        {"wtime", &time[WHITE]},     {"btime", &time[BLACK]},   {"winc", &increment[WHITE]},
        {"binc", &increment[BLACK]}, {"movestogo", &movesToGo}, {"movetime", &moveTime},
        {"depth", &depth},           {"nodes", &nodes},         {"mate", &mate}};
    const auto fieldOf = [&](std::string_view word) {
        return std::find_if(std::begin(fields), std::end(fields),
                            [&](const auto& f) { return word == f.word; });
    };
    const auto isKeyword = [&](std::string_view word) {
        return word == "infinite" || word == "ponder" || word == "searchmoves" ||
               fieldOf(word) != std::end(fields);
    };
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "infinite") {
            infinite = true;
            continue;
        }
        if (words[i] == "ponder") {
            ponder = true;
            continue;
        }
        if (words[i] == "searchmoves") {
            // Its moves run to the next word of the command.
            searchMovesGiven = true;
            while (i + 1 < words.size() && !isKeyword(words[i + 1])) named.push_back(words[++i]);
            continue;
        }
        const auto field = fieldOf(words[i]);
        if (field == std::end(fields)) {
            Refuse("go ignores", words[i]);
        } else if (i + 1 < words.size() && ReadNumber(words[i + 1], *field->value)) {
            ++i;
        } else {
            Refuse(std::string("go ") + field->word + " needs a number, ignored", currentLine);
            // What stood in the number's place goes with it, unless it is the next field.
            if (i + 1 < words.size() && !isKeyword(words[i + 1])) ++i;
        }
    }
    if (!positionGiven)
        console.WriteLine("info string no position given: searching the start position");

    const Board& position = engine.GamePosition();
    const int side = position.side;
    TurnLimits limits;
    limits.listener = &info;
    limits.watch = TurnLimits::Watch::AS_SET;
    if (moveTime != NOT_GIVEN) {
        // One move to go gets the clock less one margin: the clock is the move's time plus it.
        const auto ms = std::max<std::int64_t>(0, moveTime - MOVETIME_RESERVE_MS);
        engine.SetClock(1, static_cast<float>(ms) / 1000.0f + MARGIN_PER_MOVE, 0.0f);
    } else if (time[side] != NOT_GIVEN) {
        engine.SetClock(static_cast<int>(std::clamp<std::int64_t>(movesToGo, 0, INT_MAX)),
                        static_cast<float>(std::max<std::int64_t>(0, time[side])) / 1000.0f,
                        static_cast<float>(std::max<std::int64_t>(0, increment[side])) / 1000.0f);
    } else {
        limits.watch = TurnLimits::Watch::NONE;
    }
    // Pondering runs without the watch; "ponderhit" starts it on the clock set here.
    ponderClock = limits.watch != TurnLimits::Watch::NONE;
    if (ponder) limits.watch = TurnLimits::Watch::NONE;
    if (depth != NOT_GIVEN)
        limits.maxDepth = static_cast<int>(std::clamp<std::int64_t>(depth, 1, MAX_DEPTH));
    // A mate in N moves takes 2N plies, the last the mated side's, which finds no move: a
    // search of that depth finds every such mate that its search does not prune.
    if (mate != NOT_GIVEN)
        limits.maxDepth =
            std::min(limits.maxDepth,
                     2 * static_cast<int>(std::clamp<std::int64_t>(mate, 1, MAX_DEPTH / 2)));
    if (nodes != NOT_GIVEN)
        limits.maxNodes =
            static_cast<std::uint32_t>(std::clamp<std::int64_t>(nodes, 1, UINT32_MAX));
    if (searchMovesGiven) ChooseSearchMoves(position, named, limits.rootMoves);
    limits.lines = lines;
    // The book answers a game's moves, not an analysis, a search of a set size or of some
    // moves only. Its lines are standard chess's: no Chess960 game is played from it.
    limits.book = !infinite && depth == NOT_GIVEN && nodes == NOT_GIVEN && mate == NOT_GIVEN &&
                  !searchMovesGiven && lines == 1 && !position.castling.IsChess960();

    searching = true;
    waitForStop = infinite;
    pondering = ponder;
    goSeconds = ClockSeconds();
    info.SetRootSide(side);
    info.SetLines(lines);
    if (!HasLegalMove(position)) {
        noMove = true;
        return;
    }
    if (!engine.StartTurn(limits)) noMove = true;
}

void UciLoop::ChooseSearchMoves(const Board& position, const Words& named, RootMoves& moves) {
    Board trial(position);
    bool any = false;
    for (const std::string_view text : named) {
        const Move move = FindCoordinateMove(trial, text);
        if (move.IsNull() || !trial.IsLegal(move)) {
            Refuse("searchmoves leaves out what is no legal move", text);
            continue;
        }
        moves.Allow(move);
        any = true;
    }
    if (!any)
        console.WriteLine("info string searchmoves names no legal move: searching every move");
}

void UciLoop::Stop(const Words&) {
    if (!searching) return console.WriteLine("info string not searching: stop ignored");
    engine.StopTurn();
    WriteBestMove();
}

// The pondering search goes on as the go's own: on the clock that go gave, the time pondered
// counted toward the move, or without one until its limits or "stop".
void UciLoop::PonderHit(const Words&) {
    if (!pondering) return console.WriteLine("info string not pondering: ponderhit ignored");
    pondering = false;
    if (ponderClock && !noMove) engine.StartTurnClock(ClockSeconds() - goSeconds);
}

// "setoption name NAME [value VALUE]", the name in any case.
void UciLoop::SetOption(const Words& words) {
    const auto valueAt =
        static_cast<std::size_t>(std::find(words.begin(), words.end(), "value") - words.begin());
    if (words.size() < 3 || words[1] != "name")
        return Refuse("setoption needs name NAME [value VALUE]", currentLine);
    const std::string name = Joined(words, 2, valueAt);
    const std::string value = Joined(words, valueAt + 1, words.size());
    const auto option = std::find_if(std::begin(optionTable), std::end(optionTable),
                                     [&](const Option& o) { return SameWord(o.name, name); });
    if (option == std::end(optionTable)) return Refuse("no such option", name);
    std::int64_t number = 0;
    if (option->kind == Kind::STRING) {
        LogEvent("(Main) Option;" + currentLine);
        return (this->*option->setText)(value == "<empty>" ? std::string() : value);
    }
    if (option->kind == Kind::SPIN) {
        if (!ReadNumber(value, number) || number < option->min || number > option->max)
            return Refuse(std::string(option->name) + " takes a number from " +
                              std::to_string(option->min) + " to " + std::to_string(option->max) +
                              ", unchanged",
                          value);
    } else if (option->kind == Kind::CHECK) {
        if (!SameWord(value, "true") && !SameWord(value, "false"))
            return Refuse(std::string(option->name) + " takes true or false, unchanged", value);
        number = SameWord(value, "true") ? 1 : 0;
    }
    LogEvent("(Main) Option;" + currentLine);
    (this->*option->set)(number);
}

std::int64_t UciLoop::HashNow() const {
    return static_cast<std::int64_t>(engine.HashMegabytes());
}

void UciLoop::SetHash(std::int64_t megabytes) {
    const auto asked = static_cast<std::size_t>(megabytes);
    const std::size_t given = engine.SetHashMegabytes(asked);
    if (given != asked) {
        LogWarning("(Main) Hash table reduced;" + std::to_string(asked) + " MB asked, " +
                   std::to_string(given) + " MB allocated");
        console.WriteLine("info string " + TableReducedText(asked, given));
    }
}

std::int64_t UciLoop::ThreadsNow() const {
    return engine.Threads();
}

void UciLoop::SetThreads(std::int64_t threads) {
    engine.SetThreads(static_cast<int>(threads));
}

void UciLoop::ClearHash(std::int64_t) {
    engine.ClearHash();
}

std::int64_t UciLoop::OwnBookNow() const {
    return engine.OwnBook() ? 1 : 0;
}

void UciLoop::SetOwnBook(std::int64_t on) {
    engine.SetOwnBook(on != 0);
}

std::int64_t UciLoop::StrongNow() const {
    return engine.Strong() ? 1 : 0;
}

void UciLoop::SetStrong(std::int64_t on) {
    engine.SetStrong(on != 0);
}

void UciLoop::SetLimitStrength(std::int64_t on) {
    limitStrength = on != 0;
    engine.SetLevel(limitStrength ? elo : 0);
}

std::string UciLoop::EvalFileNow() const {
    return engine.NetworkFile();
}

// A net file the search cannot take is refused, and the net in use stays.
void UciLoop::SetEvalFile(const std::string& path) {
    std::string why;
    if (!engine.LoadNetwork(path, why)) {
        LogWarning("(Main) Net file refused;" + path + ": " + why);
        Refuse("EvalFile refused (" + why + "), the evaluation in use stays", path);
    }
}

void UciLoop::SetElo(std::int64_t rating) {
    elo = static_cast<int>(rating);
    if (limitStrength) engine.SetLevel(elo);
}

}  // namespace vardo
