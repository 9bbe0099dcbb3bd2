// Sessions with the built vardo program: what a person or an xboard interface types, and what
// the program writes back and logs.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "board/notation.h"
#include "transcript.h"

namespace vardo {
namespace {

using testing::ProgramSession;
using testing::ScratchDir;
using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

const std::string BANNER = "Vardo v0.72 (VARDO)";
const std::string LOG_NAME = "vardo0.72.log";

// Reads the start-up lines up to the banner and its two empty lines.
void SkipStartup(ProgramSession& program) {
    program.NextMatching([](const std::string& line) { return line == BANNER; });
    program.Next();
    program.Next();
}

// Reads the banner and its two empty lines.
void ExpectBanner(ProgramSession& program) {
    EXPECT_EQ(program.Next(), BANNER);
    EXPECT_EQ(program.Next(), "");
    EXPECT_EQ(program.Next(), "");
}

TEST(Program, HandshakeRepliesAndTheSessionLog) {
    ScratchDir dir;
    testing::WriteFile(dir / "vardo.bk", "e2e4 e7e5\n");
    ProgramSession program(dir.Path());
    ExpectBanner(program);
    for (const char* line : {"xboard", "protover 2", "accepted san", "rejected usermove"})
        program.Send(line);
    EXPECT_EQ(program.Next(),
              "feature analyze=0 colors=0 done=1 myname=\"VARDO 0.72\" ping=1 san=1 setboard=1 "
              "sigint=0 sigterm=0 variants=\"normal\"");
    program.Send("ping 7");
    EXPECT_EQ(program.Next(), "pong 7");
    program.Send("quit");
    EXPECT_EQ(program.Finish(), 0);
    EXPECT_EQ(program.Next(100ms), std::nullopt);

    const Lines raw = testing::FileLines(dir / LOG_NAME);
    const std::regex format(
        R"(^(0[1-9]|1[0-2])/(0[1-9]|[12]\d|3[01])/\d{4} ([01]\d|2[0-3]):[0-5]\d:[0-5]\d)"
        R"(;(Event    |Warning  |Error    );.*$)");
    for (const std::string& line : raw) EXPECT_TRUE(std::regex_match(line, format)) << line;
    ASSERT_EQ(raw.size(), 4u);
    EXPECT_EQ(raw[1].substr(19), ";Warning  ;(Main) Rejected;rejected usermove");
    EXPECT_EQ(testing::LogMessages(dir / LOG_NAME),
              (Lines{"New session", "(Main) Rejected;rejected usermove", "(Console) Quiting...",
                     "Closed session"}));
}

TEST(Program, WithoutABookAndTwoRunsAppendingToOneLog) {
    ScratchDir dir;
    for (int run = 0; run < 2; ++run) {
        ProgramSession program(dir.Path());
        EXPECT_EQ(program.Next(), "Couldn't read opening book: vardo.bk");
        ExpectBanner(program);
        program.Send("quit");
        EXPECT_EQ(program.Finish(), 0);
    }
    const Lines session = {"(Main) Couldn't read opening book;vardo.bk", "New session",
                           "(Console) Quiting...", "Closed session"};
    Lines both = session;
    both.insert(both.end(), session.begin(), session.end());
    EXPECT_EQ(testing::LogMessages(dir / LOG_NAME), both);
    EXPECT_EQ(testing::FileLines(dir / LOG_NAME).front().substr(19, 11), ";Error    ;");
}

// At the end of input the computer's turn is finished, thinking or just due, and its move
// written before the program ends: a file of moves piped in gets its answer. A computer with
// no legal move ends at once.
TEST(Program, EndOfInputFinishesTheComputersTurn) {
    ScratchDir dir;
    {
        ProgramSession program(dir.Path());
        SkipStartup(program);
        for (const char* line :
             {"st 1", "setboard r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
              "go"})
            program.Send(line);
        std::this_thread::sleep_for(300ms);
        program.CloseInput();
        EXPECT_TRUE(program.NextMove().has_value());
        EXPECT_EQ(program.Finish(), 0);
    }
    {
        ProgramSession program(dir.Path());
        SkipStartup(program);
        program.Send("st 1");
        program.Send("e4");  // the computer plays Black; its turn is due, not yet started
        program.CloseInput();
        EXPECT_TRUE(program.NextMove().has_value());
        EXPECT_EQ(program.Finish(), 0);
    }
    {
        ProgramSession program(dir.Path());
        SkipStartup(program);
        program.Send("setboard 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");  // Black, to move, is stalemated
        EXPECT_EQ(program.Finish(), 0);
    }
    const Lines log = testing::LogMessages(dir / LOG_NAME);
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "(Console) Quiting...");
    EXPECT_EQ(log.back(), "Closed session");
}

TEST(Program, TypedMovesAndTheirRefusals) {
    ScratchDir dir;
    ProgramSession program(dir.Path());
    SkipStartup(program);
    // Through the real pipe: a Ctrl-Z byte is no end of input (a C runtime's text mode takes it
    // for one) and a line may end in CR LF.
    program.Send("e2e4\x1a");
    program.Send("ping 7\r");
    EXPECT_EQ(program.Next(), "Error (unknown command): e2e4\x1a");
    EXPECT_EQ(program.Next(), "pong 7");
    for (const char* line :
         {"new", "force", "e2e4", "e5", "g1f3", "Nc6", "o-o", "Bb5", "e4e5", "board"}) {
        program.Send(line);
    }
    Lines replies = program.Sync();
    Board expected;
    for (const char* move : {"e4", "e5", "Nf3", "Nc6", "Bb5"})
        ASSERT_TRUE(testing::Play(expected, move));
    // Castling through its own pieces is not a move of the position; e4e5 names none at all.
    ASSERT_GE(replies.size(), 3u);
    EXPECT_EQ(replies[replies.size() - 11], "Illegal move");  // o-o
    EXPECT_EQ(replies[replies.size() - 10], "Error (unknown command): e4e5");
    EXPECT_EQ(replies[replies.size() - 9].substr(0, 8), " r . b q");

    // A pinned bishop may not leave the king's file.
    program.Send("setboard 4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1");
    program.Send("Bd3");
    program.Send("e2d3");
    EXPECT_EQ(program.Sync(), (Lines{"Illegal move", "Illegal move"}));

    // While the computer thinks for the side to move, typed moves are refused; "?" makes it
    // move at once.
    program.Send("st 60");
    program.Send("go");
    std::this_thread::sleep_for(200ms);
    program.Send("Kd1");
    EXPECT_EQ(program.Next(), "Illegal move");
    const auto start = std::chrono::steady_clock::now();
    program.Send("?");
    const auto move = program.NextMove(40s);
    ASSERT_TRUE(move);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);  // of the minute it was given
    Board pinned;
    ASSERT_TRUE(pinned.SetFromFen("4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1"));
    EXPECT_TRUE(testing::Play(pinned, *move)) << *move;
}

TEST(Program, BoardAndHelpText) {
    ScratchDir dir;
    ProgramSession program(dir.Path());
    SkipStartup(program);
    program.Send("force");
    program.Send("e2e4");
    program.Send("board");
    program.Send("help");
    EXPECT_EQ(program.Sync(),
              (Lines{" r n b q k b n r",
                     " p p p p p p p p",
                     " . . . . . . . .",
                     " . . . . . . . .",
                     " . . . . P . . .",
                     " . . . . . . . .",
                     " P P P P . P P P",
                     " R N B Q K B N R",
                     "",
                     "",
                     "--------------- COMMANDS ---------------",
                     "",
                     "new      - starts a new game",
                     "quit     - exit the program",
                     "",
                     "go       - computer plays for the side to move",
                     "force    - computer stops playing",
                     "st n      - search for n seconds per move",
                     "undo      - takes back a move",
                     "remove    - takes back two moves",
                     "",
                     "board    - display the board layout",
                     "",
                     "Enter moves in coordinate(e2e4, e7e8Q) or algebraic(e4, Nf3) notation",
                     "",
                     "",
                     ""}));
}

TEST(Program, ThinkingLinesFollowPostAndNopost) {
    ScratchDir dir;
    ProgramSession program(dir.Path());
    SkipStartup(program);
    const std::string fen = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3";
    for (const std::string& line :
         {std::string("post"), std::string("st 1"), "setboard " + fen, std::string("go")}) {
        program.Send(line);
    }
    Lines thinking;
    ASSERT_TRUE(program.NextMove(5s, &thinking));
    ASSERT_GE(thinking.size(), 2u);
    const std::regex format(R"(^\d+ -?\d+ \d+ \d+( \S+)+$)");
    for (const std::string& line : thinking) EXPECT_TRUE(std::regex_match(line, format)) << line;
    EXPECT_TRUE(thinking.front().starts_with("1 "));

    for (const std::string& line :
         {std::string("nopost"), std::string("force"), "setboard " + fen, std::string("go")}) {
        program.Send(line);
    }
    thinking.clear();
    ASSERT_TRUE(program.NextMove(5s, &thinking));
    EXPECT_EQ(thinking, Lines{});
}

TEST(Program, TimeControlsAndTheirWarningsWhileThinking) {
    ScratchDir dir;
    ProgramSession program(dir.Path());
    SkipStartup(program);
    program.Send("level 40 5 0");
    program.Send("st 30");
    program.Send("setboard r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3");
    program.Send("go");
    std::this_thread::sleep_for(300ms);
    program.Send("time 500");
    program.Send("otim 500");
    // A new control ends the running watch, which stops the search.
    const auto start = std::chrono::steady_clock::now();
    program.Send("level 40 5 0");
    ASSERT_TRUE(program.NextMove(25s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);  // of the 30 s "st" gave
    program.Send("quit");
    EXPECT_EQ(program.Finish(), 0);
    const Lines log = testing::LogMessages(dir / LOG_NAME);
    const Lines expected = {"(Main) New time control;level 40 5 0",
                            "(Main) Trying to set remaining time while thinking",
                            "(Main) Trying to set new time control while thinking",
                            "(Main) New time control;level 40 5 0"};
    EXPECT_TRUE(std::search(log.begin(), log.end(), expected.begin(), expected.end()) != log.end());
}

TEST(Program, ResignationFromLostPositions) {
    ScratchDir dir;
    ProgramSession program(dir.Path());
    SkipStartup(program);
    program.Send("setboard k7/8/8/8/8/8/5qq1/K7 w - - 0 1");
    program.Send("white");
    EXPECT_EQ(program.Next(), "0-1 {White resigns}");
    program.Send("setboard K7/8/8/8/8/8/5QQ1/k7 b - - 0 1");
    program.Send("black");
    EXPECT_EQ(program.Next(), "1-0 {Black resigns}");
    EXPECT_EQ(program.Sync(), Lines{});  // no move follows a resignation
}

// The computer is a rook down for a bishop that White can take back: a 32-ply game reached by
// shuffling knights. With White it accepts a draw, in words for the console and for xboard;
// with Black (better) it plays on.
TEST(Program, DrawOffers) {
    ScratchDir dir;
    ProgramSession program(dir.Path());
    SkipStartup(program);
    // Early in the game an offer is forgotten and the computer moves.
    for (const char* line : {"new", "force", "e4", "draw", "black"}) program.Send(line);
    ASSERT_TRUE(program.NextMove());

    Lines game = {"h4", "d5", "Rh3", "Bxh3"};
    for (int i = 0; i < 7; ++i) game.insert(game.end(), {"Nc3", "Nc6", "Nb1", "Nb8"});
    program.Send("new");
    program.Send("force");
    for (const std::string& move : game) program.Send(move);
    program.Send("draw");
    program.Send("white");
    EXPECT_EQ(program.Next(), "accept draw");
    EXPECT_EQ(program.Next(), "offer draw");  // how xboard understands the acceptance
    EXPECT_EQ(program.Sync(), Lines{});       // no move after the accepted draw

    program.Send("Nc3");  // 33 plies, Black to move and better
    program.Send("draw");
    program.Send("black");
    EXPECT_TRUE(program.NextMove());
}

// A whole game at the console under "st 1": the person plays White (towards a quick mate if
// the computer finds it), and every answer is a legal move of the position.
TEST(Program, CompleteGameAtTheConsole) {
    ScratchDir dir;
    ProgramSession program(dir.Path());
    SkipStartup(program);
    program.Send("new");
    program.Send("st 1");
    Board game;
    const Lines wanted = {"f3", "g4"};
    int answers = 0;
    for (int turn = 0; turn < 8; ++turn) {
        if (!HasLegalMove(game)) break;
        std::string mine;
        if (turn < static_cast<int>(wanted.size()) &&
            !ParseMove(wanted[turn], game).move.IsNull()) {
            mine = wanted[turn];
        } else {
            Board trial(game);
            trial.GenerateMoves();
            for (const MoveEntry& entry : MoveList(trial.CurrentMoves())) {
                Board probe(game);
                if (probe.MakeMove(entry.move)) {
                    mine = CoordinateText(entry.move);
                    break;
                }
            }
        }
        ASSERT_TRUE(testing::Play(game, mine)) << mine;
        program.Send(mine);
        if (!HasLegalMove(game)) break;
        const auto reply = program.NextMove(5s);
        ASSERT_TRUE(reply) << "no answer to " << mine;
        ASSERT_TRUE(testing::Play(game, *reply)) << *reply;
        ++answers;
    }
    EXPECT_GE(answers, 2);
    program.Send("quit");
    EXPECT_EQ(program.Finish(), 0);
}

// Between commands, and while the side it plays has no move, the program sleeps. Its CPU time
// over two seconds stays under a tenth of that: a program that polled without sleeping would
// get far more even when sharing two busy cores with several others.
TEST(Program, IdleCostsAlmostNoCpu) {
    ScratchDir dir;
    ProgramSession program(dir.Path());
    SkipStartup(program);
    program.Send("setboard k7/8/1Q6/8/8/8/8/K7 b - - 0 1");  // Black stalemated
    program.Send("black");
    EXPECT_EQ(program.Sync(), Lines{});
    const double before = program.CpuSeconds();
    std::this_thread::sleep_for(2s);
    EXPECT_LT(program.CpuSeconds() - before, 0.2);
}

}  // namespace
}  // namespace vardo
