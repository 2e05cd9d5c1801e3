#include "support/eval_positions.h"

#include <sstream>

#include "board/attacks.h"
#include "board/board.h"
#include "board/fen.h"
#include "board/init_tables.h"
#include "board/random.h"
#include "eval/eval_info.h"
#include "eval/eval_params.h"
#include "eval/material_table.h"
#include "eval/pawn_structure.h"
#include "eval/personality.h"
#include "search/hash_tables.h"
#include "search/search_limits.h"
#include "support/placement_field.h"
#include "support/position_walk.h"

void EvalTest::SetUpTestSuite() {
    InitEngineTables();
    AllocEvalCache();
}

void EvalTest::ResetEvalState() {
    SetBuiltInEvalParams();
    DeriveEvalTables();
    SetDefaultPersonality();
    EngineSide = WHITE;
    DrawScore = 0;
    SearchPly = 0;
    // A test may have resized the pawn hash or switched it off.
    PawnEntries = DefaultPawnEntries;
    AllocPawnHash();
    ClearPawnHash();
}

void FreshEvalInfo() {
    eval_info = EvalInfo{};
    eval_info.scale = UnscaledScale;
    eval_info.symmetric = 1;
    eval_info.cacheable = 1;
}

bool SetUpWithPawnStructure(const std::string& fen) {
    if (ParseFen(fen.c_str()) != 1) return false;
    FreshEvalInfo();
    i32 opening = 0, endgame = 0;
    EvaluatePawnStructure(&opening, &endgame);
    return true;
}

std::string ColourFlippedFen(const std::string& fen) {
    std::istringstream in(fen);
    std::string placement, side, castling = "-", enPassant = "-";
    in >> placement >> side >> castling >> enPassant;
    const auto swapCase = [](char c) {
        if (c >= 'a' && c <= 'z') return char(c - 'a' + 'A');
        if (c >= 'A' && c <= 'Z') return char(c - 'A' + 'a');
        return c;
    };

    std::vector<std::string> ranks;
    std::istringstream rows(placement);
    for (std::string rank; std::getline(rows, rank, '/');) ranks.push_back(rank);
    std::string flipped;
    for (auto it = ranks.rbegin(); it != ranks.rend(); ++it) {
        for (char c : *it) flipped += swapCase(c);
        if (it + 1 != ranks.rend()) flipped += '/';
    }

    // The rights in their usual order, each now the other colour's.
    std::string rights;
    for (char c : std::string("KQkq"))
        if (castling.find(swapCase(c)) != std::string::npos) rights += c;
    if (rights.empty()) rights = "-";
    if (enPassant.size() == 2) enPassant[1] = char('1' + '8' - enPassant[1]);
    return flipped + (side == "w" ? " b " : " w ") + rights + " " + enPassant;
}

bool QueenAgainstFPawn() {
    for (Side queenSide : {WHITE, BLACK}) {
        const Side pawnSide = ChangeSide(queenSide);
        if (board.PieceCount[QUEEN][queenSide] == 1 && board.Material[queenSide] == 900 &&
            board.Material[pawnSide] == 100 && (board.Bitboards[PAWN][pawnSide] & FileMask[5]))
            return true;
    }
    return false;
}

std::string PlacementFen(const Placement& placement) {
    char squares[64] = {};
    for (Square sq = 0; sq < 64; sq++) {
        if (placement.type[sq] == EMPTY) continue;
        const char letter = PieceLetters[placement.type[sq]];
        squares[sq] = placement.owner[sq] == WHITE ? letter : char(letter - 'A' + 'a');
    }
    return PlacementField(squares) + (placement.sideToMove == WHITE ? " w" : " b");
}

std::vector<std::string> RandomEndingFens(i32 count, u32 seed) {
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
        fens.push_back(PlacementFen(placement) + " - -");
    }
    return fens;
}

std::vector<std::string> PerftWalkSample(i32 stride) {
    std::vector<std::string> fens;
    i32 visited = 0;
    WalkPerftPositions([&] {
        if (visited++ % stride != 0) return;
        WriteFen(0);
        fens.emplace_back(FenText);
    });
    return fens;
}
