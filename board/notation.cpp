#include "board/notation.h"

#include <cctype>

#include "board/castling.h"

namespace vardo {

namespace {

int SquareOf(char file, char rank) {
    return (file - 'a') + 8 * ('8' - rank);
}

char CharAt(std::string_view text, std::size_t i) {
    return i < text.size() ? text[i] : '\0';
}

std::string SquareText(int square) {
    return {static_cast<char>('a' + (square & 7)), static_cast<char>('8' - (square >> 3))};
}

// The castling words and the king move each stands for, by side to move.
bool ParseCastlingWord(std::string_view text, const Board& board, MoveEntry& entry) {
    bool queenSide;
    if (text == "o-o" || text == "O-O")
        queenSide = false;
    else if (text == "o-o-o" || text == "O-O-O")
        queenSide = true;
    else
        return false;
    entry.move = CastleMove(board.castling.For(board.side, queenSide));
    entry.score = 0;
    return true;
}

// Whether the text from `at` on holds nothing but marks: check, mate and annotation signs.
bool OnlyMarksFrom(std::string_view text, std::size_t at) {
    return at >= text.size() || text.find_first_not_of("+#!?", at) == std::string_view::npos;
}

// Whether a promotion letter names a man a pawn may become.
bool IsPromotionLetter(char c) {
    const int piece = LetterPiece(c);
    return piece == KNIGHT || piece == BISHOP || piece == ROOK || piece == QUEEN;
}

// Coordinate form: the from and to squares, then a promotion letter where the squares are those
// of a promotion. `used` is how many characters that took.
bool ParseCoordinates(std::string_view text, int& from, int& to, int& promote, std::size_t& used) {
    if (text.size() < 4 || !IsFileLetter(text[0]) || !IsRankDigit(text[1]) ||
        !IsFileLetter(text[2]) || !IsRankDigit(text[3]))
        return false;
    from = SquareOf(text[0], text[1]);
    to = SquareOf(text[2], text[3]);
    promote = PAWN;
    used = 4;
    if (text.size() > 4 && (text[1] == '2' || text[1] == '7') &&
        (text[3] == '1' || text[3] == '8') && IsPromotionLetter(text[4])) {
        promote = LetterPiece(text[4]);
        used = 5;
    }
    return true;
}

}  // namespace

bool ParseSquare(std::string_view text, int& square) {
    if (text.size() < 2 || !IsFileLetter(text[0]) || !IsRankDigit(text[1])) return false;
    square = SquareOf(text[0], text[1]);
    return true;
}

MoveEntry ParseMove(std::string_view text, const Board& board) {
    Board copy(board);
    copy.ClearPlyState();
    return ParseMoveInPlace(text, copy);
}

MoveEntry ParseMoveInPlace(std::string_view text, Board& board) {
    board.GenerateMoves();

    MoveEntry castling;
    if (ParseCastlingWord(text, board, castling)) return castling;

    // Text of coordinate shape is read as coordinates alone: "e4e5", which names no move, is
    // not then read as "e4". The letter of a promotion is read whatever man moves, so "a7a8q"
    // with a rook on a7 is the rook's move, as typed.
    int from, to, promote;
    std::size_t used;
    if (ParseCoordinates(text, from, to, promote, used)) {
        if (!OnlyMarksFrom(text, used)) return MoveEntry{};
        for (const MoveEntry& entry : board.CurrentMoves()) {
            if (entry.move.from != from || entry.move.to != to) continue;
            if (!(entry.move.bits & PROMOTION) || entry.move.promote == promote) return entry;
        }
        return MoveEntry{};
    }
    return ParseSan(text, board);
}

namespace {

// The filters a text sets; NONE where it sets none.
constexpr int NONE = -1;
struct SanFilters {
    int pieceType = EMPTY;
    int destination = NONE;
    int originFile = NONE;
    int originRank = NONE;
    int promote = EMPTY;
};

// Of the entries that fit the filters, the one that can legally be made is the move meant: a
// pinned rival does not make a move ambiguous, but two men that can both make it do, and then
// the text names no move (null). When none can be made, the first fit is returned (MakeMove
// will refuse it); when nothing fits, null. Entries from one square are one man's move (a FEN
// may list castling for a rook standing on the king's square).
const MoveEntry* MatchSan(const SanFilters& f, Board& copy) {
    const MoveList& list = copy.CurrentMoves();
    const MoveEntry* firstFit = nullptr;
    const MoveEntry* legalFit = nullptr;
    for (const MoveEntry& entry : list) {
        const Move& m = entry.move;
        if (copy.colour[m.from] != copy.side || copy.piece[m.from] != f.pieceType) continue;
        if (f.destination != NONE && m.to != f.destination) continue;
        if (f.originFile != NONE && (m.from & 7) != f.originFile) continue;
        if (f.originRank != NONE && 7 - (m.from >> 3) != f.originRank) continue;
        if ((m.bits & PROMOTION) && m.promote != f.promote) continue;
        if (firstFit == nullptr) firstFit = &entry;
        if (legalFit != nullptr && legalFit->move.from == m.from) continue;
        if (!copy.MakeMove(m)) continue;
        copy.TakeBack();
        if (legalFit != nullptr) return nullptr;
        legalFit = &entry;
    }
    return legalFit != nullptr ? legalFit : firstFit;
}

// The promotion of a pawn move, "=" and a letter at `at`, where the text has one there.
void ReadPromotion(std::string_view text, std::size_t& at, SanFilters& f) {
    if (CharAt(text, at) == '=' && at + 1 < text.size()) {
        f.promote = LetterPiece(text[at + 1]);
        at += 2;
    }
}

// What follows a piece letter: the destination, after an origin file, rank or whole square
// and a capture sign where there are any (Nf3, Nxf3, Nbd2, R1a3, Nbxd2, and long algebraic
// Ng1f3, Ng1-f3, Nb1xc3). `at` is moved past what was read; false when no destination was.
bool ReadPieceMove(std::string_view text, std::size_t& at, SanFilters& f) {
    auto readSquare = [&](std::size_t i, int& square) {
        return ParseSquare(text.substr(std::min(i, text.size())), square);
    };
    auto readCapture = [&](std::size_t i, bool hyphen) {
        const char c = CharAt(text, i);
        return c == 'x' || (hyphen && c == '-') ? i + 1 : i;
    };
    int origin, destination;
    if (readSquare(at, origin)) {
        // A whole origin square then the destination, or the destination alone.
        const std::size_t next = readCapture(at + 2, true);
        if (readSquare(next, destination)) {
            f.originFile = origin & 7;
            f.originRank = 7 - (origin >> 3);
            f.destination = destination;
            at = next + 2;
            return true;
        }
        f.destination = origin;
        at += 2;
        return true;
    }
    std::size_t next = at;
    const char c = CharAt(text, at);
    if (IsFileLetter(c)) {
        f.originFile = c - 'a';
        ++next;
    } else if (IsRankDigit(c)) {
        f.originRank = c - '1';
        ++next;
    }
    next = readCapture(next, false);
    if (!readSquare(next, destination)) return false;
    f.destination = destination;
    at = next + 2;
    return true;
}

}  // namespace

// The whole text must be read: the move, then nothing but marks. A piece letter with no square
// to go to is a word or a typo ("NEW", "Kill", "Ne"), and text after a move ("e3 e4", "Kd2d3")
// is not dropped: either way the text names no move.
MoveEntry ParseSan(std::string_view text, Board& copy) {
    SanFilters f;
    int square;
    std::size_t at;
    const char first = CharAt(text, 0);
    if (ParseSquare(text, square)) {
        f.pieceType = PAWN;
        f.destination = square;
        f.originFile = square & 7;
        at = 2;
        ReadPromotion(text, at, f);
    } else if (CharAt(text, 1) == 'x' && std::islower(static_cast<unsigned char>(first)) &&
               ParseSquare(text.substr(2), square)) {
        f.pieceType = PAWN;
        f.destination = square;
        f.originFile = first - 'a';
        at = 4;
        ReadPromotion(text, at, f);
    } else {
        if (!std::isupper(static_cast<unsigned char>(first))) return MoveEntry{};
        f.pieceType = LetterPiece(first);
        at = 1;
        if (!ReadPieceMove(text, at, f)) return MoveEntry{};
    }
    if (!OnlyMarksFrom(text, at)) return MoveEntry{};
    const MoveEntry* entry = MatchSan(f, copy);
    return entry != nullptr ? *entry : MoveEntry{};
}

std::string FormatMove(Move move, const Board& board) {
    if (move.bits & CASTLE) {
        const CastleRule* rule = board.castling.Find(move.to);
        return rule != nullptr && !(rule->right & (CASTLE_WQ | CASTLE_BQ)) ? "o-o" : "o-o-o";
    }
    return FormatSan(move, board);
}

std::string FormatSan(Move move, const Board& board) {
    Board copy(board);
    copy.ClearPlyState();
    copy.GenerateMoves();
    const int from = move.from;
    const int to = move.to;
    const int p = (from >= 0 && from < 64) ? copy.piece[from] : EMPTY;

    std::string text;
    if (p != PAWN) {
        text += PieceLetter(p);
        bool rivals = false, fileShared = false, rankShared = false;
        for (const MoveEntry& entry : copy.CurrentMoves()) {
            const Move& m = entry.move;
            // A rival is another man: an entry from the same square (a castling entry listed
            // for a rook standing on the king's square) is no rival.
            if (m.from == from || m.to != to || copy.piece[m.from] != p) continue;
            rivals = true;
            if ((m.from & 7) == (from & 7)) fileShared = true;
            if ((m.from >> 3) == (from >> 3)) rankShared = true;
        }
        if (rivals) {
            if (!fileShared)
                text += SquareText(from)[0];
            else if (!rankShared)
                text += SquareText(from)[1];
            else
                text += SquareText(from);
        }
    }
    if (move.bits & CAPTURE) {
        if (p == PAWN) text += SquareText(from)[0];
        text += 'x';
    }
    if (to >= 0 && to < 64) text += SquareText(to);
    if (move.bits & PROMOTION) {
        text += '=';
        text += PieceLetter(move.promote);
    }

    const int mover = copy.side;
    if (copy.MakeMove(move)) {
        int result;
        if (copy.IsGameOver(result) && result == mover)
            text += '#';
        else if (copy.InCheck(copy.side))
            text += '+';
    }
    return text;
}

std::string CoordinateText(Move move) {
    if (move.from < 0 || move.from > 63 || move.to < 0 || move.to > 63) return "0000";
    std::string text = SquareText(move.from) + SquareText(move.to);
    if (move.bits & PROMOTION)
        text +=
            static_cast<char>(std::tolower(static_cast<unsigned char>(PieceLetter(move.promote))));
    return text;
}

}  // namespace vardo
