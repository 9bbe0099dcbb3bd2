#include "board/board.h"

#include <bit>
#include <cctype>
#include <cstring>

#include "board/tables.h"

namespace vardo {

namespace {
constexpr std::size_t GAME_RECORD_ROOM = 60;
}  // namespace

char PieceLetter(int piece) {
    static const char letters[] = "PNBRQK";
    return piece >= PAWN && piece <= KING ? letters[piece] : ' ';
}

int LetterPiece(char c) {
    switch (std::toupper(static_cast<unsigned char>(c))) {
        case 'P':
            return PAWN;
        case 'N':
            return KNIGHT;
        case 'B':
            return BISHOP;
        case 'R':
            return ROOK;
        case 'Q':
            return QUEEN;
        case 'K':
            return KING;
        default:
            return EMPTY;
    }
}

Board::Board() {
    std::memset(historyTable, 0, sizeof historyTable);
    Reset();
}

void Board::ReserveRecords(std::size_t more) {
    undoStack.reserve(undoStack.size() + more);
    savedDerived.reserve(savedDerived.size() + more);
}

Board::Board(const Board& other) {
    *this = other;
}

Board& Board::operator=(const Board& other) {
    if (this == &other) return *this;
    std::memcpy(historyTable, other.historyTable, sizeof historyTable);
    plyMoves = other.plyMoves;
    undoStack.clear();
    undoStack.reserve(other.undoStack.size());
    undoStack.insert(undoStack.end(), other.undoStack.begin(), other.undoStack.end());
    side = other.side;
    std::memcpy(colour, other.colour, sizeof colour);
    std::memcpy(piece, other.piece, sizeof piece);
    castle = other.castle;
    enPassant = other.enPassant;
    fifty = other.fifty;
    castling = other.castling;
    derived = other.derived;
    savedDerived.clear();
    savedDerived.reserve(other.savedDerived.size());
    savedDerived.insert(savedDerived.end(), other.savedDerived.begin(), other.savedDerived.end());
    return *this;
}

void Board::Reset() {
    side = WHITE;
    castle = CASTLE_WK | CASTLE_WQ | CASTLE_BK | CASTLE_BQ;
    enPassant = NO_SQUARE;
    fifty = 0;
    castling = STANDARD_CASTLING;
    std::memcpy(colour, initialColour, sizeof colour);
    std::memcpy(piece, initialPiece, sizeof piece);
    ClearPlyState();
    undoStack.clear();
    undoStack.shrink_to_fit();
    undoStack.reserve(GAME_RECORD_ROOM);
    savedDerived.clear();
    savedDerived.shrink_to_fit();
    savedDerived.reserve(GAME_RECORD_ROOM);
    Refresh();
}

void Board::ClearPlyState() {
    std::memset(historyTable, 0, sizeof historyTable);
    plyMoves.reset();
}

std::uint64_t Board::HashKey() const {
    std::uint64_t key = 0;
    for (int sq = 0; sq < 64; ++sq)
        if (piece[sq] != EMPTY) key ^= zobristKeys[(colour[sq] * 6 + piece[sq]) * 64 + sq];
    return key;
}

int Board::KingSquareByScan(int c) const {
    for (int sq = 0; sq < 64; ++sq)
        if (piece[sq] == KING && colour[sq] == c) return sq;
    return NO_SQUARE;
}

void Board::Refresh() {
    if (!plyMoves.empty()) CurrentMoves().checkState = MoveList::UNKNOWN;
    derived.occupancy[WHITE] = derived.occupancy[BLACK] = 0;
    std::memset(derived.pieceBits, 0, sizeof derived.pieceBits);
    derived.placement[WHITE] = derived.placement[BLACK] = PlacementValue{};
    derived.placementKey = 0;
    for (int sq = 63; sq >= 0; --sq) {
        const int c = colour[sq];
        const int p = piece[sq];
        if (c != WHITE && c != BLACK) continue;
        derived.occupancy[c] |= std::uint64_t{1} << sq;
        if (p < PAWN || p > KING) continue;
        derived.pieceBits[p] |= std::uint64_t{1} << sq;
        derived.placement[c] += PLACEMENT[c][p][sq];
        derived.placementKey ^= zobristKeys[(c * 6 + p) * 64 + sq];
    }
}

bool Board::IsConsistent() const {
    for (int sq = 0; sq < 64; ++sq) {
        if ((colour[sq] == NO_COLOUR) != (piece[sq] == EMPTY)) return false;
        if (piece[sq] < PAWN || piece[sq] > EMPTY) return false;
        if (colour[sq] < WHITE || colour[sq] > NO_COLOUR) return false;
    }
    for (int c = WHITE; c <= BLACK; ++c) {
        std::uint64_t bits = 0;
        for (int sq = 0; sq < 64; ++sq)
            if (colour[sq] == c) bits |= std::uint64_t{1} << sq;
        if (bits != derived.occupancy[c]) return false;
    }
    PlacementValue sums[2];
    std::uint64_t pieces[6] = {};
    for (int sq = 0; sq < 64; ++sq) {
        if (piece[sq] == EMPTY) continue;
        pieces[piece[sq]] |= std::uint64_t{1} << sq;
        sums[colour[sq]] += PLACEMENT[colour[sq]][piece[sq]][sq];
    }
    if (std::memcmp(pieces, derived.pieceBits, sizeof pieces) != 0) return false;
    if (!(sums[WHITE] == derived.placement[WHITE]) || !(sums[BLACK] == derived.placement[BLACK]))
        return false;
    if (HashKey() != derived.placementKey) return false;
    if (!plyMoves.empty()) {
        const auto state = plyMoves.back().checkState;
        if (state != MoveList::UNKNOWN && (state == MoveList::IN_CHECK) != InCheck(side))
            return false;
    }
    return true;
}

bool operator==(const Board& a, const Board& b) {
    return std::memcmp(a.historyTable, b.historyTable, sizeof a.historyTable) == 0 &&
           a.plyMoves == b.plyMoves && a.undoStack == b.undoStack && a.side == b.side &&
           std::memcmp(a.colour, b.colour, sizeof a.colour) == 0 &&
           std::memcmp(a.piece, b.piece, sizeof a.piece) == 0 && a.castle == b.castle &&
           a.enPassant == b.enPassant && a.fifty == b.fifty && a.castling == b.castling;
}

}  // namespace vardo
