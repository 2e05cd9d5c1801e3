// Test support for the ending terms: the colour-flipped twin of a position,
// random endings with few pieces, and a sample of the perft walk.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/fen.h"
#include "board/position_check.h"
#include "board/random.h"
#include "board/types.h"
#include "support/position_walk.h"

namespace ending_positions {

// The position with the board turned top to bottom, the colours of the men
// exchanged and the other side to move: every term of the evaluation must
// come out negated, White's parts becoming Black's.
inline std::string ColourFlippedFen(const std::string& fen) {
    std::istringstream in(fen);
    std::string placement, side, castling = "-", enPassant = "-";
    in >> placement >> side >> castling >> enPassant;

    std::vector<std::string> ranks;
    std::istringstream rows(placement);
    for (std::string rank; std::getline(rows, rank, '/');) ranks.push_back(rank);
    std::string flipped;
    for (auto it = ranks.rbegin(); it != ranks.rend(); ++it) {
        for (char c : *it) {
            if (c >= 'a' && c <= 'z')
                c = char(c - 'a' + 'A');
            else if (c >= 'A' && c <= 'Z')
                c = char(c - 'A' + 'a');
            flipped += c;
        }
        if (it + 1 != ranks.rend()) flipped += '/';
    }

    std::string rights;
    for (char c : castling)
        if (c != '-') rights += c >= 'a' ? char(c - 'a' + 'A') : char(c - 'A' + 'a');
    if (rights.empty()) rights = "-";
    if (enPassant.size() == 2) enPassant[1] = char('1' + '8' - enPassant[1]);
    return flipped + (side == "w" ? " b " : " w ") + rights + " " + enPassant;
}

// Random legal endings: both kings, up to four pawns a side and for each
// side one of a few small piece sets (never more than two minor pieces).
inline std::vector<std::string> RandomEndingFens(i32 count, u32 seed) {
    static const char* const pieceSets[] = {"",   "",   "",   "N",  "N",  "B",  "B",
                                            "R",  "R",  "Q",  "NN", "BN", "BB", "RB",
                                            "RN", "RR", "QN", "QB", "QR", "RBN"};
    constexpr i32 pieceSetCount = i32(sizeof pieceSets / sizeof pieceSets[0]);
    RandomGenerator random;
    random.state = seed;
    std::vector<std::string> fens;
    while (i32(fens.size()) < count) {
        Placement placement{};
        const auto put = [&](Side side, PieceType type, i32 lowRank, i32 highRank) {
            for (;;) {
                const Square sq = MakeSquare(random.Next() % 8,
                                             lowRank + random.Next() % (highRank - lowRank + 1));
                if (placement.type[sq] != EMPTY) continue;
                placement.type[sq] = type;
                placement.owner[sq] = side;
                return;
            }
        };
        for (Side side : {WHITE, BLACK}) {
            put(side, KING, 0, 7);
            const i32 pawns = random.Next() % 5;
            for (i32 i = 0; i < pawns; i++) put(side, PAWN, 1, 6);
            for (const char* p = pieceSets[random.Next() % pieceSetCount]; *p; p++)
                put(side, *p == 'N' ? KNIGHT : *p == 'B' ? BISHOP : *p == 'R' ? ROOK : QUEEN, 0, 7);
        }
        placement.sideToMove = random.Next() % 2 ? WHITE : BLACK;
        if (PlacementProblem(placement)) continue;

        std::string fen;
        for (i32 rank = 7; rank >= 0; rank--) {
            i32 empty = 0;
            for (i32 file = 0; file < 8; file++) {
                const Square sq = MakeSquare(file, rank);
                if (placement.type[sq] == EMPTY) {
                    empty++;
                    continue;
                }
                if (empty) fen += char('0' + empty), empty = 0;
                const char letter = PieceLetters[placement.type[sq]];
                fen += placement.owner[sq] == WHITE ? letter : char(letter - 'A' + 'a');
            }
            if (empty) fen += char('0' + empty);
            if (rank > 0) fen += '/';
        }
        fen += placement.sideToMove == WHITE ? " w - -" : " b - -";
        fens.push_back(fen);
    }
    return fens;
}

// Every `stride`-th position of the walk below the published perft
// positions, as FEN.
inline std::vector<std::string> PerftWalkSample(i32 stride) {
    std::vector<std::string> fens;
    i32 visited = 0;
    WalkPerftPositions([&] {
        if (visited++ % stride != 0) return;
        WriteFen(0);
        fens.emplace_back(FenText);
    });
    return fens;
}

}  // namespace ending_positions
