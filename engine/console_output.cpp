#include <cctype>
#include <string>

#include "engine/engine.h"

namespace vardo {

// Rank 8 first, files a to h, each square a blank and an upper-case letter (White), a
// lower-case letter (Black) or a dot; each row ends in a line end, so an empty line follows.
void Engine::ShowBoard(const Board& position) {
    std::string text;
    for (int square = 0; square < 64; ++square) {
        const int colour = position.colour[square];
        if (colour == WHITE) {
            text += ' ';
            text += PieceLetter(position.piece[square]);
        } else if (colour == BLACK) {
            text += ' ';
            text += static_cast<char>(
                std::tolower(static_cast<unsigned char>(PieceLetter(position.piece[square]))));
        } else if (colour == NO_COLOUR) {
            text += " .";
        }
        if ((square + 1) % 8 == 0) text += '\n';
    }
    console.WriteLine(text);
}

void Engine::ShowHelp() {
    static const char* const HELP[] = {
        "",
        "--------------- COMMANDS ---------------\n",
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
        "\n\n",
    };
    for (const char* text : HELP) console.WriteLine(text);
}

void Engine::Resign(int colour) {
    console.WriteLine(colour == WHITE ? "0-1 {White resigns}" : "1-0 {Black resigns}");
}

}  // namespace vardo
