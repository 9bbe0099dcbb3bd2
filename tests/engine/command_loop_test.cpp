// The command loop in this process: the command table's tests and replies, the handling of
// odd input, and the rules that keep a search result from being played on the wrong position.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "board/notation.h"
#include "transcript.h"

namespace vardo {
namespace {

using testing::EngineSession;
using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

const std::string FEATURE_LINE =
    "feature analyze=0 colors=0 done=1 myname=\"VARDO 0.72\" ping=1 san=1 setboard=1 sigint=0 "
    "sigterm=0 variants=\"normal\"";
const std::string UNKNOWN = "Error (unknown command): ";

// Skips the start-up lines (book message and banner).
void SkipBanner(EngineSession& session) {
    session.NextMatching([](const std::string& l) { return l == "Vardo v0.72 (VARDO)"; });
    session.Next();
    session.Next();
}

// The board display as eight rows.
Lines ShownBoard(EngineSession& session) {
    session.Send("board");
    Lines rows = session.Sync();
    if (!rows.empty() && rows.back().empty()) rows.pop_back();
    return rows;
}

Lines Rows(const Board& board) {
    Lines rows;
    for (int row = 0; row < 8; ++row) {
        std::string text;
        for (int file = 0; file < 8; ++file) {
            const int square = row * 8 + file;
            const char letter = PieceLetter(board.piece[square]);
            text += ' ';
            text += board.colour[square] == WHITE   ? letter
                    : board.colour[square] == BLACK ? static_cast<char>(letter + ('a' - 'A'))
                                                    : '.';
        }
        rows.push_back(text);
    }
    return rows;
}

Lines RowsOfFen(const std::string& fen) {
    Board board;
    EXPECT_TRUE(board.SetFromFen(fen));
    return Rows(board);
}

TEST(CommandLoop, EqualAndBeginsRowsActSilentlyOrReply) {
    EngineSession session;
    SkipBanner(session);
    for (const char* line : {"xboard", "random", "acceptedusermove", "accepted ping", "otim 100",
                             "computer", "easy", "hard", "", "rejected usermove", "protover 1",
                             "pingpong 42x", "result 1-0 {White mates}"}) {
        session.Send(line);
    }
    EXPECT_EQ(session.Sync(), (Lines{FEATURE_LINE, "pong 42x"}));

    // An "equal" row needs the whole line; a "begins" row with no number falls through to the
    // move parser. None of these is a move, so each is an unknown command; nor is a piece
    // letter with no square after it.
    const Lines unknown = {" xboard",   "xboard ", "Quit",  "quit ", "ping",   "setboard",
                           "setboard ", "st",      "stx",   "level", "time x", "undo ",
                           "NEW",       "Ne",      "Queen", "Kill"};
    for (const std::string& line : unknown) session.Send(line);
    Lines expected;
    for (const std::string& line : unknown) expected.push_back(UNKNOWN + line);
    EXPECT_EQ(session.Sync(), expected);

    EXPECT_EQ(session.Finish(), 0);
    const Lines log = testing::LogMessages(session.LogFile());
    auto has = [&](const std::string& m) {
        return std::find(log.begin(), log.end(), m) != log.end();
    };
    EXPECT_TRUE(has("(Main) Rejected;rejected usermove"));
    EXPECT_TRUE(has("(Main) Result;result 1-0 {White mates}"));
    EXPECT_TRUE(has("(Main) Unknown;stx"));
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& m) { return m.starts_with("(Main) Unknown;"); }),
              static_cast<long>(unknown.size()));
}

TEST(CommandLoop, BinaryAndOverLongLinesGetOneLineReplies) {
    EngineSession session;
    SkipBanner(session);
    session.Send(std::string("foo\0bar", 7));
    session.Send("\x01\xfe\r");
    session.Send(std::string(200000, 'z'));
    const Lines replies = session.Sync();
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[0], UNKNOWN + "foo");
    EXPECT_EQ(replies[1], UNKNOWN + "\x01\xfe");  // the CR goes with the line end
    EXPECT_EQ(replies[2], UNKNOWN + std::string(MAX_LINE_LENGTH, 'z'));
}

TEST(CommandLoop, EndOfInputEndsTheSessionLikeQuit) {
    EngineSession session;
    session.Send("force");
    EXPECT_EQ(session.Finish(), 0);
    const Lines log = testing::LogMessages(session.LogFile());
    const auto quitting = std::find(log.begin(), log.end(), "(Console) Quiting...");
    ASSERT_NE(quitting, log.end());
    EXPECT_EQ(log.back(), "Closed session");
    EXPECT_LT(quitting, log.end() - 1);
}

// The fuzzer drives one engine through many sessions with FeedLine: "quit" ends each one
// (and only "quit"), and the next line starts acting again.
TEST(CommandLoop, FedLinesEndASessionOnlyAtQuitAndTheNextLineActsAgain) {
    std::istringstream noInput;
    std::ostringstream output;
    EngineOptions options;
    options.threads = testing::TestThreads();
    Engine engine(noInput, output, "/nonexistent/vardo.bk", "/dev/null", options);
    for (int session = 0; session < 2; ++session) {
        EXPECT_FALSE(engine.FeedLine("new"));
        EXPECT_FALSE(engine.FeedLine("quitt"));
        EXPECT_FALSE(engine.FeedLine("force"));
        EXPECT_FALSE(engine.FeedLine("e4"));
        EXPECT_TRUE(engine.FeedLine("quit"));
    }
    EXPECT_EQ(output.str().find("Illegal move"), std::string::npos) << output.str();
    EXPECT_NE(output.str().find(UNKNOWN + "quitt\n" + UNKNOWN + "quitt\n"), std::string::npos)
        << output.str();
}

TEST(CommandLoop, SetBoardStartsTheHistoryAfreshAndRefusesBadPositions) {
    EngineSession session;
    SkipBanner(session);
    const std::string fen = "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1";
    for (const char* line : {"force", "e4", "e5", "Nf3"}) session.Send(line);
    session.Send("setboard " + fen);
    session.Send("undo");
    session.Send("remove");
    EXPECT_EQ(session.Sync(), Lines{});
    EXPECT_EQ(ShownBoard(session), RowsOfFen(fen));

    const Lines bad = {"8/8/8/8 w - - 0 1", "4k3/8/8/8/8/8/4X3/4K3 w - - 0 1",
                       "8/8/8/8/8/8/4P3/4K3 w - - 0 1", "R3k3/8/8/8/8/8/8/4K3 w - - 0 1"};
    for (const std::string& b : bad) session.Send("setboard " + b);
    EXPECT_EQ(session.Sync(), Lines(bad.size(), "tellusererror Illegal position"));
    EXPECT_EQ(ShownBoard(session), RowsOfFen(fen));

    session.Finish();
    const Lines log = testing::LogMessages(session.LogFile());
    for (const std::string& b : bad)
        EXPECT_NE(std::find(log.begin(), log.end(), "(Main) Illegal position;" + b), log.end());
}

// xboard sends castling that gives check with the mark, as in its game records.
TEST(CommandLoop, CastlingWithACheckOrMateMarkIsAMove) {
    EngineSession session;
    SkipBanner(session);
    session.Send("force");
    session.Send("setboard 5k2/8/8/8/8/8/8/4K2R w K - 0 1");
    session.Send("O-O+");
    EXPECT_EQ(session.Sync(), Lines{});
    EXPECT_EQ(ShownBoard(session), RowsOfFen("5k2/8/8/8/8/8/8/5RK1 b - - 1 1"));
    session.Send("setboard r3k3/8/8/8/8/8/8/3K4 b q - 0 1");
    session.Send("o-o-o+");
    EXPECT_EQ(session.Sync(), Lines{});
    EXPECT_EQ(ShownBoard(session), RowsOfFen("2kr4/8/8/8/8/8/8/3K4 w - - 1 2"));
    session.Send("O-O++");  // no castling word: refused as before
    EXPECT_EQ(session.Sync(), Lines{UNKNOWN + "O-O++"});
}

TEST(CommandLoop, UndoAndRemoveTakeBackMoves) {
    EngineSession session;
    SkipBanner(session);
    for (const char* line : {"force", "e2e4", "e5", "Nf3", "remove"}) session.Send(line);
    Board expected;
    ASSERT_TRUE(testing::Play(expected, "e4"));
    EXPECT_EQ(ShownBoard(session), Rows(expected));
    session.Send("remove");  // one move in the history: nothing happens
    EXPECT_EQ(ShownBoard(session), Rows(expected));
    session.Send("undo");
    session.Send("undo");  // empty history: nothing happens
    EXPECT_EQ(ShownBoard(session), Rows(Board()));

    // "undo" after the computer's reply takes back that reply and stops the computer playing.
    session.Send("new");
    session.Send("e4");
    ASSERT_TRUE(session.NextMove());
    session.Send("undo");
    EXPECT_EQ(session.Sync(), Lines{});
    EXPECT_EQ(ShownBoard(session), Rows(expected));
    session.Send("d6");  // Black's move: the computer (White) no longer answers
    EXPECT_EQ(session.Sync(), Lines{});
}

// A typed move after "force" while the computer is still thinking stops the search and drops
// its move: the next turn searches the new position afresh (its thinking begins at depth 1)
// instead of playing a move found for the old one.
TEST(CommandLoop, ChangedPositionDiscardsTheRunningSearch) {
    EngineSession session;
    SkipBanner(session);
    for (const char* line :
         {"post", "st 3",
          "setboard r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", "go"}) {
        session.Send(line);
    }
    ASSERT_TRUE(session.NextMatching([](const std::string& l) { return l.starts_with("1 "); }));
    session.Send("force");
    session.Send("a3");
    session.Send("a6");
    const Lines beforeTurn = session.Sync();
    for (const std::string& line : beforeTurn) EXPECT_FALSE(line.starts_with("move ")) << line;
    session.Send("st 0");
    session.Send("white");
    Lines thinking;
    const auto move = session.NextMove(10s, &thinking);
    ASSERT_TRUE(move);
    ASSERT_FALSE(thinking.empty());
    EXPECT_TRUE(thinking.front().starts_with("1 ")) << thinking.front();

    Board game;
    ASSERT_TRUE(
        game.SetFromFen("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"));
    ASSERT_TRUE(testing::Play(game, "a3"));
    ASSERT_TRUE(testing::Play(game, "a6"));
    EXPECT_TRUE(testing::Play(game, *move)) << *move;
}

// The moves to go in a control with a move count follow the game, not the number of the
// computer's own turns: after 39 of its moves were taken back, the next move is still the
// first of a 40-move control and gets a fortieth of the clock (12.5 ms of 4 s after the
// 3.5 s margin), not the last move's share (3.75 s). The watch never ends that share early, so
// a limit of 3 s tells the two apart with room for a slow, busy machine.
TEST(CommandLoop, MovesToGoFollowTheGameNotTheTurnsPlayed) {
    EngineSession session;
    SkipBanner(session);
    session.Send("level 40 0:05 0");
    for (int i = 0; i < 39; ++i) {
        session.Send("time 1");  // no time left: the search ends after its first iteration
        session.Send("go");
        ASSERT_TRUE(session.NextMove()) << "turn " << i;
        session.Send("force");
        session.Send("undo");
    }
    EXPECT_EQ(ShownBoard(session), Rows(Board()));
    session.Send("time 400");
    const auto start = std::chrono::steady_clock::now();
    session.Send("go");
    ASSERT_TRUE(session.NextMove());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
}

// With no legal move for the computer's side the loop waits quietly: no search is started
// (with posting on, each would print a thinking line) until the position changes.
TEST(CommandLoop, NoSearchWhileTheComputerHasNoMove) {
    EngineSession session;
    SkipBanner(session);
    session.Send("post");
    session.Send("setboard k7/8/1Q6/8/8/8/8/K7 b - - 0 1");  // Black is stalemated
    session.Send("black");
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(session.Sync(), Lines{});
    session.Send("setboard 7k/6pp/8/8/8/8/8/K6R b - - 0 1");
    EXPECT_TRUE(session.NextMove());
}

// The thinking lines: four numbers, then the line's moves, each legal where it stands when
// replayed from the searched position; depth rises by one and nodes never fall.
TEST(CommandLoop, ThinkingLinesReplayFromTheSearchedPosition) {
    EngineSession session;
    SkipBanner(session);
    const std::string fen = "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4";
    session.Send("?");  // a stop raised with no search running must not cut the next one short
    session.Send("post");
    session.Send("st 1");
    session.Send("setboard " + fen);
    session.Send("go");
    Lines thinking;
    const auto move = session.NextMove(10s, &thinking);
    ASSERT_TRUE(move);
    EXPECT_EQ(*move, "Qxf7#");
    ASSERT_GE(thinking.size(), 2u);
    const std::regex format(R"(^(\d+) (-?\d+) (\d+) (\d+)((?: \S+)*)$)");
    long lastNodes = -1;
    for (std::size_t i = 0; i < thinking.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(thinking[i], m, format)) << thinking[i];
        EXPECT_EQ(std::stoi(m[1]), static_cast<int>(i) + 1);
        EXPECT_GE(std::stol(m[4]), lastNodes);
        lastNodes = std::stol(m[4]);
        Board replay;
        ASSERT_TRUE(replay.SetFromFen(fen));
        std::istringstream moves(m[5]);
        for (std::string text; moves >> text;) EXPECT_TRUE(testing::Play(replay, text)) << text;
    }
}

// What a finished turn's score leads to, at the edges: a draw offer is taken below 50 and only
// after more than 30 plies; the computer resigns below -650.
TEST(ComputerTurn, DrawAndResignationThresholds) {
    EXPECT_TRUE(AcceptsDraw(49, 31));
    EXPECT_FALSE(AcceptsDraw(50, 31));
    EXPECT_FALSE(AcceptsDraw(49, 30));
    EXPECT_TRUE(AcceptsDraw(-10000, 500));
    EXPECT_FALSE(Resigns(-650));
    EXPECT_TRUE(Resigns(-651));
}

TEST(CommandLoop, BookMovesUseTheBooksTextAndAreCheckedAgainstThePosition) {
    EngineSession session("1. e2e4 e7e5 2. g1f3 ; the open game\n");
    SkipBanner(session);
    session.Send("e4");
    EXPECT_EQ(session.NextMove(), "e7e5");
    // xboard shows the tab-led lines of a "bk" reply once the empty line after them arrives.
    session.Send("bk");
    EXPECT_EQ(session.Next(), "\tOpening book: OFF");
    EXPECT_EQ(session.Next(), "");
    session.Send("bk");
    EXPECT_EQ(session.Next(), "\tOpening book: ON");
    EXPECT_EQ(session.Next(), "");

    // The initial placement with Black to move: the book's key matches, its move e2e4 does not.
    session.Send("setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
    const auto move = session.NextMove();
    ASSERT_TRUE(move);
    Board game;
    ASSERT_TRUE(game.SetFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"));
    EXPECT_TRUE(testing::Play(game, *move)) << *move;
}

}  // namespace
}  // namespace vardo
