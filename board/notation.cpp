#include "board/notation.h"

#include <cctype>

#include "board/castling.h"

namespace vardo {

namespace {

constexpr int MAX_COORDINATE_CHARS = 5;

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
bool ParseCastlingWord(std::string_view text, int side, MoveEntry& entry) {
    bool queenSide;
    if (text == "o-o" || text == "O-O")
        queenSide = false;
    else if (text == "o-o-o" || text == "O-O-O")
        queenSide = true;
    else
        return false;
    entry.move = CastleMove(CastleRuleFor(side, queenSide));
    entry.score = 0;
    return true;
}

// Coordinate form: from and to squares and an optional promotion letter.
bool ParseCoordinates(std::string_view text, int& from, int& to, int& promote) {
    const std::size_t read = std::min(text.size(), static_cast<std::size_t>(MAX_COORDINATE_CHARS));
    if (read < 4) return false;
    if (!IsFileLetter(text[0]) || !IsRankDigit(text[1]) || !IsFileLetter(text[2]) ||
        !IsRankDigit(text[3]))
        return false;
    from = SquareOf(text[0], text[1]);
    to = SquareOf(text[2], text[3]);
    promote = PAWN;
    if (read == 5 && (text[1] == '2' || text[1] == '7') && (text[3] == '1' || text[3] == '8'))
        promote = LetterPiece(text[4]);
    return true;
}

// Sets the origin file or rank filter from a character, when it names one.
void ReadOrigin(char c, int& originFile, int& originRank) {
    if (IsFileLetter(c))
        originFile = c - 'a';
    else if (IsRankDigit(c))
        originRank = c - '1';
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
    if (ParseCastlingWord(text, board.side, castling)) return castling;

    int from, to, promote;
    if (ParseCoordinates(text, from, to, promote)) {
        for (const MoveEntry& entry : board.CurrentMoves()) {
            if (entry.move.from != from || entry.move.to != to) continue;
            if (!(entry.move.bits & PROMOTION) || entry.move.promote == promote) return entry;
        }
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

// Of the entries that fit the filters, the first that can legally be made is the move meant:
// a pinned rival does not make a move ambiguous. When none can be made, the first fit is
// returned (MakeMove will refuse it); when nothing fits, null.
const MoveEntry* MatchSan(const SanFilters& f, Board& copy) {
    const MoveList& list = copy.CurrentMoves();
    const MoveEntry* firstFit = nullptr;
    for (const MoveEntry& entry : list) {
        const Move& m = entry.move;
        if (copy.colour[m.from] != copy.side || copy.piece[m.from] != f.pieceType) continue;
        if (f.destination != NONE && m.to != f.destination) continue;
        if (f.originFile != NONE && (m.from & 7) != f.originFile) continue;
        if (f.originRank != NONE && 7 - (m.from >> 3) != f.originRank) continue;
        if ((m.bits & PROMOTION) && m.promote != f.promote) continue;
        if (copy.MakeMove(m)) {
            copy.TakeBack();
            return &entry;
        }
        if (firstFit == nullptr) firstFit = &entry;
    }
    return firstFit;
}

// A piece move written with its whole origin square, as three men of a kind that reach one
// square need (Qa1b2, Qa1xb2).
bool ReadFullOrigin(std::string_view text, SanFilters& f) {
    int origin, destination;
    if (!ParseSquare(text.substr(1), origin)) return false;
    const std::size_t at = CharAt(text, 3) == 'x' ? 4 : 3;
    if (text.size() <= at || !ParseSquare(text.substr(at), destination)) return false;
    f.originFile = origin & 7;
    f.originRank = 7 - (origin >> 3);
    f.destination = destination;
    return true;
}

}  // namespace

MoveEntry ParseSan(std::string_view text, Board& copy) {
    SanFilters f;
    int square;
    const char first = CharAt(text, 0);
    if (ParseSquare(text, square)) {
        f.pieceType = PAWN;
        f.destination = square;
        f.originFile = square & 7;
    } else if (CharAt(text, 1) == 'x' && std::islower(static_cast<unsigned char>(first)) &&
               ParseSquare(text.substr(2), square)) {
        f.pieceType = PAWN;
        f.destination = square;
        f.originFile = first - 'a';
    } else {
        if (!std::isupper(static_cast<unsigned char>(first))) return MoveEntry{};
        f.pieceType = LetterPiece(first);
        // A whole origin square is read as one where it names a move; otherwise the text is
        // read as below, where the first square found is the destination.
        SanFilters full = f;
        if (ReadFullOrigin(text, full)) {
            if (const MoveEntry* entry = MatchSan(full, copy)) return *entry;
        }
        const std::size_t x = text.find('x');
        if (x != std::string_view::npos) {
            if (ParseSquare(text.substr(x + 1), square)) f.destination = square;
            ReadOrigin(CharAt(text, 1), f.originFile, f.originRank);
        } else if (text.size() > 1 && ParseSquare(text.substr(1), square)) {
            f.destination = square;
        } else if (text.size() > 2 && ParseSquare(text.substr(2), square)) {
            f.destination = square;
            ReadOrigin(CharAt(text, 1), f.originFile, f.originRank);
        }
        // A piece letter with no square to go to is a word or a typo ("NEW", "Kill", "Ne"),
        // not a move: without a destination the first move of that piece would be played.
        if (f.destination == NONE) return MoveEntry{};
    }
    if (f.pieceType == PAWN) {
        const std::size_t eq = text.find('=');
        if (eq != std::string_view::npos && eq + 1 < text.size())
            f.promote = LetterPiece(text[eq + 1]);
    }
    const MoveEntry* entry = MatchSan(f, copy);
    return entry != nullptr ? *entry : MoveEntry{};
}

std::string FormatMove(Move move, const Board& board) {
    if (move.bits & CASTLE) {
        const CastleRule* rule = FindCastleRule(move.to);
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
