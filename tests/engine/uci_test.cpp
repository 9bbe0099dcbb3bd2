// UCI sessions with the built vardo program: a session whose first line is "uci" is answered in
// UCI to its end; every bestmove is a legal move of the position, also when stopped at once;
// bad input is answered with an "info string" and changes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "board/notation.h"
#include "transcript.h"

namespace vardo {
namespace {

using testing::ProgramSession;
using testing::ScratchDir;
using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

bool IsBestMove(const std::string& line) {
    return line.starts_with("bestmove ");
}

// Starts a UCI session: the banner (written before the first line is read) and the answer to
// "uci", which must end in "uciok".
Lines OpenUci(ProgramSession& program) {
    program.Send("uci");
    Lines reply;
    program.NextMatching([](const std::string& line) { return line == "uciok"; }, 10s, &reply);
    return reply;
}

// "isready" and the lines written before "readyok".
Lines Ready(ProgramSession& program) {
    program.Send("isready");
    Lines before;
    if (!program.NextMatching([](const std::string& line) { return line == "readyok"; }, 10s,
                              &before))
        before.push_back("<no readyok>");
    return before;
}

// The bestmove's move, checked legal in `position`; the info lines before it go to `info`.
std::string LegalBestMove(ProgramSession& program, const Board& position, Lines* info = nullptr,
                          std::chrono::milliseconds timeout = 20s) {
    const auto line = program.NextMatching(IsBestMove, timeout, info);
    if (!line) {
        ADD_FAILURE() << "no bestmove";
        return "<no bestmove>";
    }
    const std::string move = line->substr(9, line->find(' ', 9) - 9);
    Board after(position);
    EXPECT_TRUE(testing::Play(after, move)) << *line;
    EXPECT_EQ(CoordinateText(ParseMove(move, position).move), move);  // coordinate notation
    return move;
}

TEST(Uci, SessionFlowOptionsInfoLinesAndTheLog) {
    ScratchDir dir;
    ProgramSession program(dir.Path());
    const Lines reply = OpenUci(program);
    // The banner comes before the first line is read; an interface skips it.
    ASSERT_GE(reply.size(), 14u);
    const Lines uci(reply.end() - 13, reply.end());
    EXPECT_EQ(uci, (Lines{"id name Vardo 0.72", "id author Vardo developers",
                          "option name Hash type spin default 32 min 0 max 1048576",
                          "option name Threads type spin default " +
                              std::to_string(testing::TestThreads()) + " min 1 max 256",
                          "option name Clear Hash type button",
                          "option name OwnBook type check default true",
                          "option name Strong type check default false",
                          "option name MultiPV type spin default 1 min 1 max 500",
                          "option name Ponder type check default false",
                          "option name UCI_Chess960 type check default false",
                          "option name UCI_LimitStrength type check default false",
                          "option name UCI_Elo type spin default 1500 min 800 max 2400",
                          "option name EvalFile type string default <empty>"}));

    // A set option is what "uci" shows from then on.
    program.Send("setoption name Hash value 16");
    program.Send("setoption name ownbook value false");
    program.Send("setoption name Clear Hash");
    EXPECT_EQ(Ready(program), Lines{});
    const Lines again = OpenUci(program);
    ASSERT_EQ(again.size(), 13u);
    EXPECT_EQ(again[2], "option name Hash type spin default 16 min 0 max 1048576");
    EXPECT_EQ(again[5], "option name OwnBook type check default false");

    // A game of 400 plies (knights out and back), searched to depth 3.
    std::string moves;
    Board game;
    for (int i = 0; i < 100; ++i) {
        for (const char* move : {"g1f3", "g8f6", "f3g1", "f6g8"}) {
            moves += std::string(" ") + move;
            ASSERT_TRUE(testing::Play(game, move));
        }
    }
    program.Send("ucinewgame");
    program.Send("position startpos moves" + moves + " e2e4");
    ASSERT_TRUE(testing::Play(game, "e2e4"));
    program.Send("go depth 3");
    Lines info;
    LegalBestMove(program, game, &info);
    ASSERT_EQ(info.size(), 3u);
    const std::regex format(
        R"(^info depth (\d+) seldepth \d+ score (cp -?\d+|mate -?\d+) nodes \d+ nps \d+ )"
        R"(time \d+ hashfull \d+ pv( [a-h][1-8][a-h][1-8][nbrq]?)+$)");
    for (std::size_t i = 0; i < info.size(); ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(info[i], match, format)) << info[i];
        EXPECT_EQ(match[1], std::to_string(i + 1));
    }

    // Mate scores count moves from the side to move's point of view.
    program.Send("position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
    program.Send("go depth 5");
    Board mating;
    ASSERT_TRUE(mating.SetFromFen("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1"));
    info.clear();
    EXPECT_EQ(LegalBestMove(program, mating, &info), "d1d8");
    ASSERT_FALSE(info.empty());
    EXPECT_NE(info.back().find(" score mate 1 "), std::string::npos) << info.back();
    info.clear();
    program.Send("position fen 7k/p4K1p/7P/8/8/8/8/1R6 b - - 0 1");  // every move allows Rb8#
    program.Send("go depth 5");
    Board mated;
    ASSERT_TRUE(mated.SetFromFen("7k/p4K1p/7P/8/8/8/8/1R6 b - - 0 1"));
    LegalBestMove(program, mated, &info);
    ASSERT_FALSE(info.empty());
    EXPECT_NE(info.back().find(" score mate -1 "), std::string::npos) << info.back();

    // The selective search counts its mates from the root whatever its depth: a mate in two
    // (a quiet king move first) at depth 12, where longer mates found earlier have given way.
    program.Send("setoption name Strong value true");
    program.Send("position fen 8/8/8/8/8/5K2/7R/6k1 w - - 0 1");
    program.Send("go depth 12");
    Board strongMate;
    ASSERT_TRUE(strongMate.SetFromFen("8/8/8/8/8/5K2/7R/6k1 w - - 0 1"));
    info.clear();
    LegalBestMove(program, strongMate, &info);
    ASSERT_FALSE(info.empty());
    EXPECT_NE(info.back().find(" score mate 2 "), std::string::npos) << info.back();

    program.Send("quit");
    EXPECT_EQ(program.Finish(), 0);
    const Lines log = testing::LogMessages(dir / "vardo0.72.log");
    const Lines expected = {"(Main) Couldn't read opening book;vardo.bk",
                            "New session",
                            "(Main) Option;setoption name Hash value 16",
                            "(Main) Option;setoption name ownbook value false",
                            "(Main) Option;setoption name Clear Hash",
                            "(Main) New game",
                            "(Main) Option;setoption name Strong value true",
                            "(Console) Quiting...",
                            "Closed session"};
    EXPECT_EQ(log, expected);
}

// Only the first line chooses: "uci" later in an xboard session is no command of it.
TEST(Uci, OnlyTheFirstLineChoosesTheProtocol) {
    ScratchDir dir;
    ProgramSession program(dir.Path());
    program.Send("xboard");
    program.Send("uci");
    EXPECT_TRUE(program.NextMatching(
        [](const std::string& line) { return line == "Error (unknown command): uci"; }));
}

// The loop answers while a search runs; a search stopped at once still gives a legal move; an
// infinite search that ends by itself (a mate seen) keeps its bestmove until "stop".
TEST(Uci, IsReadyWhileSearchingAndStop) {
    ScratchDir dir;
    ProgramSession program(dir.Path());
    OpenUci(program);
    const std::string fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
    Board position;
    ASSERT_TRUE(position.SetFromFen(fen));
    program.Send("position fen " + fen);
    for (int run = 0; run < 3; ++run) {
        program.Send("go infinite");
        program.Send("stop");
        LegalBestMove(program, position);
    }

    program.Send("go infinite");
    std::this_thread::sleep_for(300ms);
    for (const std::string& line : Ready(program)) EXPECT_FALSE(IsBestMove(line)) << line;
    program.Send("stop");
    LegalBestMove(program, position);

    program.Send("position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
    program.Send("go infinite");
    std::this_thread::sleep_for(500ms);
    for (const std::string& line : Ready(program)) EXPECT_FALSE(IsBestMove(line)) << line;
    program.Send("stop");
    EXPECT_EQ(program.NextMatching(IsBestMove), "bestmove d1d8");

    // A timed search ends by itself; the time is measured by scripts, not here.
    program.Send("go movetime 200");
    EXPECT_EQ(program.NextMatching(IsBestMove, 10s), "bestmove d1d8");
    program.Send("go wtime 3000 btime 3000 winc 100 binc 100");
    EXPECT_EQ(program.NextMatching(IsBestMove, 10s), "bestmove d1d8");
    // A clock run past zero: depth 1 at once, not an endless search. A node limit ends the
    // search within the iteration that reaches it.
    program.Send("position fen " + fen);
    program.Send("go wtime -50 btime -50");
    LegalBestMove(program, position, nullptr, 10s);
    program.Send("go nodes 30000");
    Lines info;
    LegalBestMove(program, position, &info, 10s);
    const std::regex nodes(R"( nodes (\d+) )");
    for (const std::string& line : info) {
        std::smatch match;
        ASSERT_TRUE(std::regex_search(line, match, nodes)) << line;
        EXPECT_LE(std::stoul(match[1]), 30000u * testing::TestThreads()) << line;
    }
}

// Lines sent while a search runs that need it ended (a script's next position and go, a new
// game, an option) wait for its bestmove and are then acted on in order.
TEST(Uci, LinesForTheNextSearchWaitForTheBestMove) {
    ScratchDir dir;
    ProgramSession program(dir.Path());
    OpenUci(program);
    Board black;
    ASSERT_TRUE(testing::Play(black, "e2e4"));
    for (const char* line :
         {"position startpos", "go depth 4", "setoption name Hash value 8",
          "position startpos moves e2e4", "go depth 4", "ucinewgame", "go infinite"})
        program.Send(line);
    LegalBestMove(program, Board());
    LegalBestMove(program, black);
    for (const std::string& line : Ready(program)) EXPECT_FALSE(IsBestMove(line)) << line;
    program.Send("stop");
    LegalBestMove(program, Board());
    EXPECT_EQ(OpenUci(program)[2], "option name Hash type spin default 8 min 0 max 1048576");
}

// Each bad line gets an "info string" that says why, and the position and options stay as
// they were; a side with no move gets "bestmove 0000"; the end of input ends the session.
TEST(Uci, BadInputIsRefusedAndChangesNothing) {
    ScratchDir dir;
    ProgramSession program(dir.Path());
    OpenUci(program);
    program.Send("go depth 1");  // before any position: the start position
    const auto first = program.NextMatching(
        [](const std::string& line) { return line.starts_with("info string"); });
    EXPECT_EQ(first, "info string no position given: searching the start position");
    LegalBestMove(program, Board());

    program.Send("position startpos moves e2e4");
    Board position;
    ASSERT_TRUE(testing::Play(position, "e2e4"));
    const Lines bad = {
        "position fen 8/8/8/8/8/8/8/8 w - - 0 1",
        "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 moves e2e5",
        "position startpos moves e2e4 e7e5 e1g1",
        "position startpos moves e2e4 e7e5 g1f3 g8f6 f1c4 f8c5 e1h1",
        "position",
        "setoption name Hash value 2000000",
        "setoption name Threads value 0",
        "setoption name OwnBook value maybe",
        "setoption name Strength value 3",
        "setoption name EvalFile value no such net",
        "stop",
        "fly",
        std::string("\x01\x02\xff", 3),
        std::string(70000, 'x'),
    };
    for (const std::string& line : bad) program.Send(line);
    const Lines replies = Ready(program);
    ASSERT_EQ(replies.size(), bad.size());
    for (const std::string& reply : replies)
        EXPECT_TRUE(reply.starts_with("info string ")) << reply;
    EXPECT_EQ(replies[2],
              "info string illegal move 3 in position, the position is unchanged: e1g1");
    EXPECT_EQ(replies[5], "info string Hash takes a number from 0 to 1048576, unchanged: 2000000");
    EXPECT_EQ(replies[9],
              "info string EvalFile refused (cannot open no such net), the evaluation in use "
              "stays: no such net");
    const Lines uci = OpenUci(program);
    ASSERT_EQ(uci.size(), 13u);
    EXPECT_EQ(uci[12], "option name EvalFile type string default <empty>");
    EXPECT_EQ(uci[2], "option name Hash type spin default 32 min 0 max 1048576");
    EXPECT_EQ(uci[5], "option name OwnBook type check default true");
    program.Send("go depth 2");
    LegalBestMove(program, position);

    program.Send("position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");  // stalemate: no move
    program.Send("go depth 3");
    EXPECT_EQ(program.NextMatching(IsBestMove), "bestmove 0000");

    // The end of input stops the search under way, writes its move and ends the session.
    program.Send("position startpos");
    program.Send("go movetime 300");
    program.CloseInput();
    LegalBestMove(program, Board());
    EXPECT_EQ(program.Finish(), 0);
    EXPECT_EQ(testing::LogMessages(dir / "vardo0.72.log").back(), "Closed session");
}

// The first move of an info line's pv, and the one after it ("" when none).
std::pair<std::string, std::string> PvStart(const std::string& info) {
    std::istringstream words(info.substr(info.find(" pv ") + 4));
    std::pair<std::string, std::string> moves;
    words >> moves.first >> moves.second;
    return moves;
}

// Several lines, searchmoves, pondering and go mate, as an interface uses them.
TEST(Uci, SeveralLinesSearchMovesPonderAndMate) {
    ScratchDir dir;
    ProgramSession program(dir.Path());
    OpenUci(program);
    const std::string fen = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8";
    Board position;
    ASSERT_TRUE(position.SetFromFen(fen));

    // Three lines a depth, ranked, each led by another move; the bestmove is the last depth's
    // first line, with its reply to ponder on.
    program.Send("setoption name MultiPV value 3");
    program.Send("position fen " + fen);
    program.Send("go depth 4");
    Lines info;
    const auto best = program.NextMatching(IsBestMove, 20s, &info);
    ASSERT_TRUE(best);
    ASSERT_EQ(info.size(), 12u);
    const std::regex ranked(
        R"(^info depth (\d+) seldepth \d+ multipv (\d+) score cp -?\d+ nodes )");
    for (std::size_t i = 0; i < info.size(); ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_search(info[i], match, ranked)) << info[i];
        EXPECT_EQ(match[1], std::to_string(i / 3 + 1));
        EXPECT_EQ(match[2], std::to_string(i % 3 + 1));
        for (std::size_t j = i - i % 3; j < i; ++j)
            EXPECT_NE(PvStart(info[i]).first, PvStart(info[j]).first) << info[i];
    }
    const auto [move, reply] = PvStart(info[9]);
    EXPECT_EQ(*best, "bestmove " + move + " ponder " + reply);

    // Only the moves named are searched; what is no legal move is said and left out.
    program.Send("setoption name MultiPV value 1");
    program.Send("position startpos");
    program.Send("go depth 3 searchmoves a2a3 h2h3 e7e5");
    info.clear();
    const std::string chosen = LegalBestMove(program, Board(), &info);
    EXPECT_TRUE(chosen == "a2a3" || chosen == "h2h3") << chosen;
    ASSERT_EQ(info.size(), 4u);
    EXPECT_EQ(info[0], "info string searchmoves leaves out what is no legal move: e7e5");
    for (std::size_t i = 1; i < info.size(); ++i) {
        const std::string first = PvStart(info[i]).first;
        EXPECT_TRUE(first == "a2a3" || first == "h2h3") << info[i];
    }
    program.Send("go depth 1 searchmoves e7e5");
    info.clear();
    LegalBestMove(program, Board(), &info);
    EXPECT_EQ(info.at(1), "info string searchmoves names no legal move: searching every move");

    // A pondering search waits for ponderhit, then goes on as the go's own (here with a clock
    // of a minute) and names the reply it expects; "stop" ends one at once.
    program.Send("setoption name Ponder value true");
    program.Send("position fen " + fen);
    program.Send("go ponder wtime 60000 btime 60000");
    std::this_thread::sleep_for(300ms);
    for (const std::string& line : Ready(program)) EXPECT_FALSE(IsBestMove(line)) << line;
    program.Send("ponderhit");
    const auto pondered = program.NextMatching(IsBestMove, 20s);
    ASSERT_TRUE(pondered);
    std::istringstream words(*pondered);
    std::string word, bestMove, ponderWord, ponderMove;
    words >> word >> bestMove >> ponderWord >> ponderMove;
    Board after(position);
    ASSERT_TRUE(testing::Play(after, bestMove)) << *pondered;
    EXPECT_EQ(ponderWord, "ponder");
    EXPECT_TRUE(testing::Play(after, ponderMove)) << *pondered;
    program.Send("go ponder depth 2");  // ends by itself, but its bestmove waits
    std::this_thread::sleep_for(300ms);
    for (const std::string& line : Ready(program)) EXPECT_FALSE(IsBestMove(line)) << line;
    program.Send("ponderhit");
    LegalBestMove(program, position);
    program.Send("go ponder");
    program.Send("stop");
    LegalBestMove(program, position);
    program.Send("ponderhit");
    EXPECT_EQ(Ready(program), Lines{"info string not pondering: ponderhit ignored"});

    // go mate ends by itself once it has searched deep enough for the mate.
    program.Send("position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
    program.Send("go mate 1");
    info.clear();
    EXPECT_EQ(program.NextMatching(IsBestMove, 20s, &info), "bestmove d1d8");
    ASSERT_FALSE(info.empty());
    EXPECT_NE(info.back().find(" score mate 1 "), std::string::npos) << info.back();
}

// With UCI_Chess960 on, positions castle by Chess960's rules and castling is written and read
// as the king taking its own rook, by both searches; the book stays out of such games.
TEST(Uci, Chess960CastlesAsTheKingTakingItsRook) {
    ScratchDir dir;
    std::filesystem::copy_file(VARDO_SOURCE_DIR "/vardo.bk", dir.Path() / "vardo.bk");
    ProgramSession program(dir.Path());
    OpenUci(program);
    program.Send("setoption name UCI_Chess960 value true");
    const auto position = [](const std::string& fen) {
        Board board;
        EXPECT_TRUE(board.SetFromFen(fen, Board::Variant::CHESS960)) << fen;
        return board;
    };

    // Castling long mates: the rook jumps the king to the open d-file, which no other move
    // reaches.
    const std::string mate = "2rkr3/2p1p3/8/8/8/8/8/RK6 w A - 0 1";
    for (const char* strong : {"false", "true"}) {
        program.Send(std::string("setoption name Strong value ") + strong);
        program.Send("position fen " + mate);
        program.Send("go depth 3");
        EXPECT_EQ(LegalBestMove(program, position(mate)), "b1a1") << strong;
    }

    // Both castlings are moves of the game, and a game goes on after them; the standard
    // form names a king move of two squares, which there is not.
    const std::string both = "rk5r/pppppppp/8/8/8/8/PPPPPPPP/RK5R w HAha - 0 1";
    program.Send("position fen " + both);
    program.Send("go depth 2 searchmoves b1a1 b1h1 b1g1");
    Lines info;
    const std::string castled = LegalBestMove(program, position(both), &info);
    EXPECT_TRUE(castled == "b1a1" || castled == "b1h1") << castled;
    EXPECT_EQ(info.at(0), "info string searchmoves leaves out what is no legal move: b1g1");
    EXPECT_TRUE(info.at(1).starts_with("info depth 1 ")) << info.at(1);
    program.Send("position fen " + both + " moves b1h1 b8a8");
    Board after = position(both);
    ASSERT_TRUE(testing::Play(after, "b1h1"));
    ASSERT_TRUE(testing::Play(after, "b8a8"));
    EXPECT_EQ(after.Fen(), "2kr3r/pppppppp/8/8/8/8/PPPPPPPP/R4RK1 w - - 2 1");
    program.Send("go depth 2");
    LegalBestMove(program, after);

    // The start position under Chess960's rules is searched, not looked up in the book.
    program.Send("position startpos");
    program.Send("go movetime 300");
    info.clear();
    LegalBestMove(program, Board(), &info);
    ASSERT_FALSE(info.empty());
    EXPECT_TRUE(info.back().starts_with("info depth ")) << info.back();
}

// Whatever a go waits for (a stop, a ponderhit, a clock of the other side's, moves to go or an
// increment without a clock, a mate out of reach), the end of input stops it at once: its
// bestmove is written and the program ends. So are the searches that lines held for it start.
TEST(Uci, EveryKindOfGoEndsWithTheInput) {
    const std::string fen = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ - 0 8";
    Board position;
    ASSERT_TRUE(position.SetFromFen(fen));
    for (const char* go : {"go", "go ponder", "go ponder wtime 60000 btime 60000", "go btime 1000",
                           "go winc 100", "go movestogo 5", "go mate 40", "go infinite"}) {
        ScratchDir dir;
        ProgramSession program(dir.Path());
        OpenUci(program);
        program.Send("setoption name MultiPV value 2");
        program.Send("position fen " + fen);
        program.Send(go);
        for (const std::string& line : Ready(program)) EXPECT_FALSE(IsBestMove(line)) << go;
        program.CloseInput();
        LegalBestMove(program, position);
        EXPECT_EQ(program.Finish(), 0) << go;
    }

    ScratchDir dir;
    ProgramSession program(dir.Path());
    OpenUci(program);
    program.Send("go infinite");
    program.Send("position startpos moves e2e4");
    program.Send("go depth 60");
    program.CloseInput();
    Board black;
    ASSERT_TRUE(testing::Play(black, "e2e4"));
    LegalBestMove(program, Board());
    LegalBestMove(program, black);
    EXPECT_EQ(program.Finish(), 0);
}

}  // namespace
}  // namespace vardo
