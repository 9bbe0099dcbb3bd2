// The position with its undo history, per-ply move lists and history table, and the rules
// that act on it: generation, make and take back, legality queries and game end.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "board/castling.h"
#include "board/move_list.h"
#include "board/piece_square.h"
#include "board/tables.h"
#include "board/types.h"

namespace vardo {

class Board {
   public:
    // Ordering scores of quiet moves, [from][to]; the search adds to them.
    std::int32_t historyTable[64][64];
    // One list per move made since the last ClearPlyState, plus one; the last is the current ply's.
    PlyLists plyMoves;
    // One record per move made and not taken back, oldest first.
    std::vector<UndoRecord> undoStack;
    int side = WHITE;
    int colour[64];
    int piece[64];
    int castle = 0;
    int enPassant = NO_SQUARE;
    int fifty = 0;
    // Where king and rooks castle from and to: standard chess's unless a Chess960 position
    // was set up.
    CastlingRules castling;

    Board();
    Board(const Board& other);
    Board& operator=(const Board& other);

    // The initial position with an empty history, under standard chess's castling.
    void Reset();
    // Zeroes the history table and leaves one empty ply list; position and records stay.
    void ClearPlyState();
    // Sets the position from FEN text. A text that cannot describe a playable position
    // (placement not 8 ranks of 8 squares, unknown letters, not exactly one king a side,
    // more than 16 men a side, the side not to move in check) is refused: the answer is false
    // and the board is left exactly as it was. Lists and records are never touched.
    // Under Variant::CHESS960 the castling field names the rooks, by file (Shredder-FEN, "HAha")
    // or as "KQkq" for the outermost rook on that side (X-FEN), and the board takes the
    // game's castling rules from it; a right without its king and rook on the back rank, on
    // the right sides, is refused. Under STANDARD the field is read as ever and the board
    // keeps standard chess's rules.
    enum class Variant { STANDARD, CHESS960 };
    bool SetFromFen(std::string_view fen, Variant variant = Variant::STANDARD);
    // The position as FEN text; the castling field in X-FEN under Chess960 rules (a file
    // letter only where "KQkq" would name another rook). The board keeps no move number: it is
    // written as 1.
    std::string Fen() const;
    // The PositionKey that MakeMove(move) would leave, worked out without making it: a search
    // asks for the table entry of the position ahead while it makes the move. Any record is
    // safe to pass; for one MakeMove refuses the answer means nothing.
    std::uint64_t KeyAfter(Move move) const;
    // Key of the piece placement only (the book's key), computed from the arrays.
    std::uint64_t HashKey() const;
    // The search's key: where the men stand (kept up to date by every move and take-back),
    // whose turn it is, which castlings remain and where a pawn may be taken in passing.
    // Positions with equal keys have the same moves and the same evaluation.
    std::uint64_t PositionKey() const {
        return derived.placementKey ^ (side == BLACK ? blackToMoveKey : 0) ^
               castlingKeys[castle & 15] ^ (enPassant >= 0 ? enPassantKeys[enPassant & 63] : 0);
    }

    MoveList& CurrentMoves() { return plyMoves.back(); }

    // Whether a piece of `byColour` attacks `square`.
    bool Attacked(int square, int byColour) const;
    // Whether the king of `colour` is attacked; true when that colour has no king.
    bool InCheck(int colour) const;

    // Refill the current ply's list with every pseudo-legal move / the captures and
    // promotions of the side to move, best ordering score first.
    void GenerateMoves();
    void GenerateCaptures();
    // The same lists in generation order (the pawns' moves, each piece's by kind and square,
    // then castling, then en passant), for callers that visit every move anyway or sort
    // lazily with MoveList::PickNext.
    void GenerateMovesUnsorted();
    void GenerateCapturesUnsorted();
    // Appends to the current ply's list, after GenerateCapturesUnsorted, the moves it leaves
    // out: those that neither capture nor promote. The list then holds every pseudo-legal
    // move, each with the ordering score it would have got from GenerateMovesUnsorted now.
    void AddQuietMoves();

    // Whether the generators list `move` in this position, found without generating every
    // move; `found` then gets the listed entry, ordering score included. Uses the current
    // ply's list as scratch and leaves it empty.
    bool FindGenerated(Move move, MoveEntry& found);

    // Plays a move; false (board unchanged) when it is illegal.
    bool MakeMove(Move move);
    // Whether MakeMove would play the move, found without playing it except for castling and
    // en passant.
    bool IsLegal(Move move);
    // Undoes the newest move; nothing when no move has been made.
    void TakeBack();
    // What a null move changes besides the side to move, for taking it back.
    struct NullMoveRecord {
        int enPassant;
        int fifty;
    };
    // Passes the turn without moving a man, for a selective search's null-move test: the side
    // to move changes, no pawn may be taken in passing, and the fifty-move counter starts
    // again so that no repetition is looked for across it. Appends a ply list but no undo
    // record; only TakeBackNullMove undoes it. Never with the side to move in check.
    NullMoveRecord MakeNullMove();
    void TakeBackNullMove(const NullMoveRecord& record);
    // Makes room for `more` records beyond those held, so that making that many moves
    // allocates nothing (a search reserves for the deepest line it can reach). A copy gets
    // only the room its records need.
    void ReserveRecords(std::size_t more);

    // Whether a move with the same four bytes is generated for the position.
    bool IsListed(Move move);
    // Threefold repetition within the reversible plies of the undo history.
    bool IsRepetition() const;
    // Whether the game is over; result: the winner's colour, or 2 for a draw or no result.
    bool IsGameOver(int& result) const;

    // Square of a colour's king, the first one counting from square 0 (NO_SQUARE when it has
    // none), read from the bit sets.
    int KingSquare(int c) const {
        const std::uint64_t kings = derived.pieceBits[KING] & derived.occupancy[c];
        if (kings != 0) {
            const int sq = std::countr_zero(kings);
            if (piece[sq] == KING && colour[sq] == c) return sq;
        }
        return KingSquareByScan(c);
    }
    // The squares of one colour's men, bit s for square s. Redundant with `colour`.
    std::uint64_t Occupancy(int c) const { return derived.occupancy[c]; }
    // The squares of the men of one piece code, both colours. Redundant with `piece`.
    std::uint64_t Pieces(int p) const { return derived.pieceBits[p]; }
    // One colour's material and piece-square sums in every table set. Redundant with `piece`
    // and `colour`.
    const PlacementValue& Placement(int c) const { return derived.placement[c]; }
    // Recomputes the redundant data from colour[] and piece[] and compares.
    bool IsConsistent() const;
    // Recomputes the redundant data (bit sets, sums, the cached check state of the current
    // ply) after colour[], piece[] or side were written directly.
    void Refresh();

    // Field-for-field comparison, lists and records included.
    friend bool operator==(const Board& a, const Board& b);

   private:
    bool PositionInCheck();
    // KingSquare when the bit sets are stale (the arrays were written directly): a scan.
    int KingSquareByScan(int c) const;
    bool ExposesKing(int king, int from, int to, std::uint64_t occupied) const;
    // Whether a man of `byColour`, other than any on the squares `ignored`, attacks `square`
    // when the squares `occupied` are the occupied ones: a position after a move, seen before
    // it is made.
    bool AttackedThrough(int square, int byColour, std::uint64_t occupied,
                         std::uint64_t ignored) const;
    // Whether a record is one MakeMove may try: on the board, a man of the side to move that
    // does not land on its own side, a promotion piece, an en-passant victim's square.
    bool IsWellFormed(Move move) const;
    // Whether the side to move's king is safe after an ordinary move (not castling, not en
    // passant) with a well-formed record, worked out without making it.
    bool KeepsKingSafe(Move move);
    void AddEnPassant(MoveList& list);
    void AddCastling(MoveList& list);
    bool CastleAllowed(const CastleRule& rule) const;
    // MakeMove and IsLegal of a castling record, and TakeBack's return of its two men.
    bool MakeCastling(Move move);
    bool IsLegalCastling(Move move);
    void TakeBackCastlingMen(int to, int mover);
    // What the position's arrays imply, kept up to date so it is never recomputed. MakeMove
    // saves it and TakeBack restores it whole.
    struct Derived {
        // Squares occupied by each colour, one bit per square (bit s for square s).
        std::uint64_t occupancy[2] = {0, 0};
        // Squares of each piece code, both colours together.
        std::uint64_t pieceBits[6] = {};
        // Material and piece-square sums per colour.
        PlacementValue placement[2];
        // HashKey of the placement.
        std::uint64_t placementKey = 0;
    };
    Derived derived;
    // One saved Derived per record of undoStack.
    std::vector<Derived> savedDerived;
    // Put a man on an empty square / take the man off an occupied square, keeping every
    // redundant datum in step.
    void Place(int square, int c, int p);
    void Lift(int square);
    // Which moves a generator pass lists: all, the captures and promotions, or the rest.
    enum class Kinds { ALL, CAPTURES, QUIETS };
    void Generate(Kinds kinds);
    // Scores a generated move and appends it to `list` (four promotions for a pawn reaching
    // the last rank).
    void AddTo(MoveList& list, Move move);
    void GeneratePawnMoves(MoveList& list, Kinds kinds);
    void AddPromotions(MoveList& list, int from, int to, int bits);
    void GeneratePieceMoves(MoveList& list, int s, int p, Kinds kinds);
    void AddPieceCaptures(MoveList& list);
};

}  // namespace vardo
