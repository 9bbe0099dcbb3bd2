#include <cctype>
#include <cstring>

#include "board/board.h"

namespace vardo {

namespace {
constexpr int MAX_MEN_PER_SIDE = 16;
constexpr int MAX_FIFTY = 10000;
}  // namespace

// Reads the text in one pass: white space ends a field; field 0 is the placement, fields 1
// and 2 set the side to move and the castling rights, field 3 the en-passant square and
// field 4 the fifty-move counter. The result is built apart and only copied onto the board
// once the placement has proved to describe a playable position.
bool Board::SetFromFen(std::string_view fen) {
    int newColour[64];
    int newPiece[64];
    int newSide = side;
    int newCastle = 0;
    int newEnPassant = NO_SQUARE;
    int newFifty = fifty;
    bool fiftySeen = false;

    int field = 0;
    int square = 0;
    int slashes = 0;
    for (std::size_t i = 0; i < fen.size(); ++i) {
        const char c = fen[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (field == 0 && square == 0) return false;  // no placement
            ++field;
            continue;
        }
        if (field == 0) {
            if (c == '/') {
                // A rank ends only after exactly eight squares.
                if (slashes == 7 || square % 8 != 0 || square / 8 != slashes + 1) return false;
                ++slashes;
            } else if (c >= '1' && c <= '8') {
                const int run = c - '0';
                if (square + run > 8 * (slashes + 1)) return false;
                for (int k = 0; k < run; ++k) {
                    newColour[square] = NO_COLOUR;
                    newPiece[square] = EMPTY;
                    ++square;
                }
            } else {
                const int p = LetterPiece(c);
                if (p == EMPTY || !std::isalpha(static_cast<unsigned char>(c))) return false;
                if (square + 1 > 8 * (slashes + 1)) return false;
                newColour[square] = std::isupper(static_cast<unsigned char>(c)) ? WHITE : BLACK;
                newPiece[square] = p;
                ++square;
            }
            continue;
        }
        if (field == 1 || field == 2) {
            switch (c) {
                case 'w':
                    newSide = WHITE;
                    break;
                case 'b':
                    newSide = BLACK;
                    break;
                case 'K':
                    newCastle |= CASTLE_WK;
                    break;
                case 'Q':
                    newCastle |= CASTLE_WQ;
                    break;
                case 'k':
                    newCastle |= CASTLE_BK;
                    break;
                case 'q':
                    newCastle |= CASTLE_BQ;
                    break;
                default:
                    break;
            }
        } else if (field == 3) {
            if (IsFileLetter(c) && i + 1 < fen.size() && IsRankDigit(fen[i + 1]))
                newEnPassant = (c - 'a') + 8 * (8 - (fen[i + 1] - '0'));
        } else if (field == 4) {
            if (c >= '0' && c <= '9') {
                if (!fiftySeen) newFifty = 0;
                fiftySeen = true;
                newFifty = newFifty * 10 + (c - '0');
                if (newFifty > MAX_FIFTY) newFifty = MAX_FIFTY;
            }
        }
    }
    if (square != 64 || slashes != 7) return false;

    // Exactly one king a side and no more men than a game can have.
    int kings[2] = {0, 0};
    int men[2] = {0, 0};
    for (int sq = 0; sq < 64; ++sq) {
        if (newPiece[sq] == EMPTY) continue;
        ++men[newColour[sq]];
        if (newPiece[sq] == KING) ++kings[newColour[sq]];
    }
    if (kings[WHITE] != 1 || kings[BLACK] != 1) return false;
    if (men[WHITE] > MAX_MEN_PER_SIDE || men[BLACK] > MAX_MEN_PER_SIDE) return false;

    // An en-passant square counts only where a double step of the other side can have just
    // passed over it: on rank 6 with White to move (rank 3 with Black), the pawn in front,
    // the square itself and the pawn's starting square behind it empty. (An occupied square
    // would also give a pawn two different moves with the same squares, a capture and an
    // en-passant capture.)
    if (newEnPassant != NO_SQUARE) {
        const int row = newEnPassant >> 3;
        const int pawnSquare = newSide == WHITE ? newEnPassant + 8 : newEnPassant - 8;
        const int startSquare = newSide == WHITE ? newEnPassant - 8 : newEnPassant + 8;
        const bool fits = (newSide == WHITE ? row == 2 : row == 5) &&
                          newPiece[pawnSquare] == PAWN && newColour[pawnSquare] == Other(newSide) &&
                          newPiece[newEnPassant] == EMPTY && newPiece[startSquare] == EMPTY;
        if (!fits) newEnPassant = NO_SQUARE;
    }

    // The side that has just moved must not be in check.
    Board probe(*this);
    std::memcpy(probe.colour, newColour, sizeof newColour);
    std::memcpy(probe.piece, newPiece, sizeof newPiece);
    probe.Refresh();
    if (probe.InCheck(Other(newSide))) return false;

    std::memcpy(colour, newColour, sizeof colour);
    std::memcpy(piece, newPiece, sizeof piece);
    side = newSide;
    castle = newCastle;
    enPassant = newEnPassant;
    fifty = newFifty;
    Refresh();  // also forgets what was known about the old position
    return true;
}

}  // namespace vardo
