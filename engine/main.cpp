#include <cstdio>

#include "board/board.h"

int main() {
    vardo::Board board;
    std::printf("Vardo v0.72 (VARDO)\n\n\n");
    return 0;
}
