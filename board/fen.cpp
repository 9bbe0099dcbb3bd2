#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <string>

#include "board/board.h"

namespace vardo {

namespace {

constexpr int MAX_MEN_PER_SIDE = 16;
constexpr int MAX_FIFTY = 10000;

// A position read from FEN text. It is built apart from the board and copied onto it only
// once it has passed every check.
struct FenPosition {
    int colour[64];
    int piece[64];
    int side = WHITE;
    int castle = 0;
    int enPassant = NO_SQUARE;
    int fifty = 0;
};

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The placement, up to the first white space: ranks 8 down to 1 split by "/", a digit for a
// run of empty squares, a piece letter (upper case White) for a man. `end` is left at the
// first character after it. False unless it names exactly eight ranks of eight squares with
// known letters; nothing is ever written past the 64 squares.
bool ReadPlacement(std::string_view fen, std::size_t& end, FenPosition& next) {
    int square = 0;
    int slashes = 0;
    for (end = 0; end < fen.size() && !IsSpace(fen[end]); ++end) {
        const char c = fen[end];
        const int rankEnd = 8 * (slashes + 1);
        if (c == '/') {
            // A rank ends only after exactly eight squares.
            if (slashes == 7 || square != rankEnd) return false;
            ++slashes;
        } else if (c >= '1' && c <= '8') {
            const int run = c - '0';
            if (square + run > rankEnd) return false;
            for (int k = 0; k < run; ++k, ++square) {
                next.colour[square] = NO_COLOUR;
                next.piece[square] = EMPTY;
            }
        } else {
            const int p = LetterPiece(c);
            if (p == EMPTY || !std::isalpha(static_cast<unsigned char>(c))) return false;
            if (square + 1 > rankEnd) return false;
            next.colour[square] = std::isupper(static_cast<unsigned char>(c)) ? WHITE : BLACK;
            next.piece[square] = p;
            ++square;
        }
    }
    return square == 64 && slashes == 7;
}

// The fields after the placement; `rest` starts at the white space that ends it, and every
// white-space character starts a new field. Fields 1 and 2 alike take "w"/"b" for the side to
// move and "KQkq" for castling rights, field 3 the en-passant square, field 4 the fifty-move
// counter (capped). Anything else, the move number included, is skipped. A field the text
// lacks keeps the value `next` came with.
void ReadFields(std::string_view rest, FenPosition& next) {
    int field = 0;
    bool fiftySeen = false;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const char c = rest[i];
        if (IsSpace(c)) {
            ++field;
        } else if (field == 1 || field == 2) {
            switch (c) {
                case 'w':
                    next.side = WHITE;
                    break;
                case 'b':
                    next.side = BLACK;
                    break;
                case 'K':
                    next.castle |= CASTLE_WK;
                    break;
                case 'Q':
                    next.castle |= CASTLE_WQ;
                    break;
                case 'k':
                    next.castle |= CASTLE_BK;
                    break;
                case 'q':
                    next.castle |= CASTLE_BQ;
                    break;
                default:
                    break;
            }
        } else if (field == 3) {
            if (IsFileLetter(c) && i + 1 < rest.size() && IsRankDigit(rest[i + 1]))
                next.enPassant = (c - 'a') + 8 * (8 - (rest[i + 1] - '0'));
        } else if (field == 4 && c >= '0' && c <= '9') {
            if (!fiftySeen) next.fifty = 0;
            fiftySeen = true;
            next.fifty = std::min(next.fifty * 10 + (c - '0'), MAX_FIFTY);
        }
    }
}

// Exactly one king a side and no more men than a game can have.
bool HasPlayableMen(const FenPosition& next) {
    int kings[2] = {0, 0};
    int men[2] = {0, 0};
    for (int sq = 0; sq < 64; ++sq) {
        if (next.piece[sq] == EMPTY) continue;
        ++men[next.colour[sq]];
        if (next.piece[sq] == KING) ++kings[next.colour[sq]];
    }
    return kings[WHITE] == 1 && kings[BLACK] == 1 && men[WHITE] <= MAX_MEN_PER_SIDE &&
           men[BLACK] <= MAX_MEN_PER_SIDE;
}

// An en-passant square counts only where a double step of the other side can have just
// passed over it: on rank 6 with White to move (rank 3 with Black), the pawn in front, the
// square itself and the pawn's starting square behind it empty. (An occupied square would
// also give a pawn two different moves with the same squares, a capture and an en-passant
// capture.) Any other square is dropped.
void DropImpossibleEnPassant(FenPosition& next) {
    const int ep = next.enPassant;
    if (ep == NO_SQUARE) return;
    const bool whiteToMove = next.side == WHITE;
    const int pawnSquare = whiteToMove ? ep + 8 : ep - 8;
    const int startSquare = whiteToMove ? ep - 8 : ep + 8;
    const bool fits = (ep >> 3) == (whiteToMove ? 2 : 5) && next.piece[pawnSquare] == PAWN &&
                      next.colour[pawnSquare] == Other(next.side) && next.piece[ep] == EMPTY &&
                      next.piece[startSquare] == EMPTY;
    if (!fits) next.enPassant = NO_SQUARE;
}

// Where the second word of `rest` (the castling field after the side to move) starts and how
// long it is; length 0 when there is none.
void FindCastlingField(std::string_view rest, std::size_t& start, std::size_t& length) {
    std::size_t i = 0;
    for (int word = 0; word < 2; ++word) {
        while (i < rest.size() && IsSpace(rest[i])) ++i;
        start = i;
        while (i < rest.size() && !IsSpace(rest[i])) ++i;
    }
    length = i - start;
}

// The square of the `colour` rook that a Chess960 castling letter names, or NO_SQUARE when
// it names none; `index` gets the right's bit index. K/Q (k/q) name the outermost rook on that
// side of the king, a file letter the rook on that file of the back rank.
int CastlingRook(char letter, int colour, int king, const FenPosition& next, int& index) {
    const int rank = colour == WHITE ? WHITE_BACK_RANK : BLACK_BACK_RANK;
    const auto isRook = [&](int square) {
        return next.piece[square] == ROOK && next.colour[square] == colour;
    };
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    int rook = NO_SQUARE;
    if (lower == 'k') {
        for (int file = 7; file > FileOf(king) && rook == NO_SQUARE; --file)
            if (isRook(rank + file)) rook = rank + file;
    } else if (lower == 'q') {
        for (int file = 0; file < FileOf(king) && rook == NO_SQUARE; ++file)
            if (isRook(rank + file)) rook = rank + file;
    } else if (IsFileLetter(lower) && isRook(rank + (lower - 'a')) && lower - 'a' != FileOf(king)) {
        rook = rank + (lower - 'a');
    }
    if (rook == NO_SQUARE) return NO_SQUARE;
    index = 2 * colour + (FileOf(rook) < FileOf(king) ? 1 : 0);
    return rook;
}

// A Chess960 castling field: "-", or letters each granting one right whose king stands on
// its back rank and whose rook stands on the named file of it. False for anything else.
bool ReadChess960Castling(std::string_view field, FenPosition& next, CastlingRules& rules) {
    int kings[2] = {NO_SQUARE, NO_SQUARE};
    for (int c = WHITE; c <= BLACK; ++c) {
        const int rank = c == WHITE ? WHITE_BACK_RANK : BLACK_BACK_RANK;
        for (int file = 0; file < 8; ++file)
            if (next.piece[rank + file] == KING && next.colour[rank + file] == c)
                kings[c] = rank + file;
    }
    std::array<int, 4> rooks = {NO_SQUARE, NO_SQUARE, NO_SQUARE, NO_SQUARE};
    next.castle = 0;
    if (field != "-" && !field.empty()) {
        for (const char letter : field) {
            if (!std::isalpha(static_cast<unsigned char>(letter))) return false;
            const int c = std::isupper(static_cast<unsigned char>(letter)) ? WHITE : BLACK;
            if (kings[c] == NO_SQUARE) return false;
            int index = 0;
            const int rook = CastlingRook(letter, c, kings[c], next, index);
            if (rook == NO_SQUARE || (rooks[index] != NO_SQUARE && rooks[index] != rook))
                return false;
            rooks[index] = rook;
            next.castle |= 1 << index;
        }
    }
    rules = CastlingRules::Chess960(kings[WHITE], kings[BLACK], rooks);
    return true;
}

}  // namespace

bool Board::SetFromFen(std::string_view fen, Variant variant) {
    FenPosition next;
    next.side = side;
    next.fifty = fifty;
    std::size_t placementEnd = 0;
    if (!ReadPlacement(fen, placementEnd, next)) return false;
    CastlingRules rules = STANDARD_CASTLING;
    if (variant == Variant::CHESS960) {
        // The castling field is read on its own, and blanked out for the other fields' reader,
        // to which its file letters would mean other things ("b": Black to move).
        std::string rest(fen.substr(placementEnd));
        std::size_t start = 0, length = 0;
        FindCastlingField(rest, start, length);
        const std::string field = rest.substr(start, length);
        rest.replace(start, length, length, '-');
        ReadFields(rest, next);
        if (!ReadChess960Castling(field, next, rules)) return false;
    } else {
        ReadFields(fen.substr(placementEnd), next);
    }
    if (!HasPlayableMen(next)) return false;
    DropImpossibleEnPassant(next);

    // The side that has just moved must not be in check.
    Board probe(*this);
    std::memcpy(probe.colour, next.colour, sizeof next.colour);
    std::memcpy(probe.piece, next.piece, sizeof next.piece);
    probe.Refresh();
    if (probe.InCheck(Other(next.side))) return false;

    std::memcpy(colour, next.colour, sizeof colour);
    std::memcpy(piece, next.piece, sizeof piece);
    side = next.side;
    castle = next.castle;
    enPassant = next.enPassant;
    fifty = next.fifty;
    castling = rules;
    Refresh();  // also forgets what was known about the old position
    return true;
}

std::string Board::Fen() const {
    std::string text;
    for (int rank = 0; rank < 8; ++rank) {
        int run = 0;
        for (int file = 0; file < 8; ++file) {
            const int square = 8 * rank + file;
            if (piece[square] == EMPTY) {
                ++run;
                continue;
            }
            if (run > 0) text += static_cast<char>('0' + run);
            run = 0;
            const char letter = PieceLetter(piece[square]);
            text += colour[square] == WHITE
                        ? letter
                        : static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
        }
        if (run > 0) text += static_cast<char>('0' + run);
        if (rank < 7) text += '/';
    }
    text += side == WHITE ? " w " : " b ";
    // X-FEN: K/Q (k/q) where the rook is the outermost on its side of the king, as it always
    // is in standard chess, and the rook's file otherwise.
    const std::size_t castlingAt = text.size();
    for (int index = 0; index < 4; ++index) {
        if (!(castle & (1 << index))) continue;
        const CastleRule& rule = castling.Rule(index);
        const int c = index < 2 ? WHITE : BLACK;
        const bool queenSide = index % 2 == 1;
        char letter = queenSide ? 'q' : 'k';
        if (castling.IsChess960()) {
            const int rank = rule.rookFrom & ~7;
            const int step = queenSide ? 1 : -1;
            for (int square = rank + (queenSide ? 0 : 7); square != rule.rookFrom; square += step)
                if (piece[square] == ROOK && colour[square] == c)
                    letter = static_cast<char>('a' + FileOf(rule.rookFrom));
        }
        text += c == WHITE ? static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))
                           : letter;
    }
    if (text.size() == castlingAt) text += '-';
    text += ' ';
    if (enPassant == NO_SQUARE) {
        text += '-';
    } else {
        text += static_cast<char>('a' + FileOf(enPassant));
        text += static_cast<char>('8' - (enPassant >> 3));
    }
    text += ' ' + std::to_string(fifty) + " 1";
    return text;
}

}  // namespace vardo
