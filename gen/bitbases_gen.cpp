// Build-time generator of the engine's endgame bit tables:
//   PawnWinBitbase         king and pawn against king: does the pawn side win?
//   PawnRunBitbase         the same, won by pushing the pawn alone?
//   BuiltInRookPawnBitbase king and rook against king and pawn, rook side to
//                          move: does the pawn side escape defeat?
// Every table is solved from the rules of chess by retrograde iteration and
// written as constant arrays into the C++ file named on the command line.
// The program stands alone: its small move logic does not use the engine.
//
// Conventions shared with the engine: square a1 = 0, h8 = 63; the pawn is
// White's and moves toward higher squares. Bits of illegal positions are 0.

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

using u8 = uint8_t;
using u64 = uint64_t;
using i32 = int32_t;

constexpr i32 NoSquare = 64;

// ---------------------------------------------------------------------------
// Board geometry

constexpr i32 FileOf(i32 sq) { return sq & 7; }
constexpr i32 RankOf(i32 sq) { return sq >> 3; }
constexpr bool OnBoard(i32 file, i32 rank) {
    return file >= 0 && file < 8 && rank >= 0 && rank < 8;
}
// The set of one square; empty for NoSquare so an absent man occupies nothing.
constexpr u64 Bit(i32 sq) { return sq < 64 ? u64(1) << sq : 0; }

struct Step {
    i32 file, rank;
};
constexpr std::array<Step, 4> StraightSteps = {{{1, 0}, {-1, 0}, {0, 1}, {0, -1}}};
constexpr std::array<Step, 4> DiagonalSteps = {{{1, 1}, {-1, 1}, {1, -1}, {-1, -1}}};
constexpr std::array<Step, 8> KingSteps = {
    {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {-1, 1}, {1, -1}, {-1, -1}}};
constexpr std::array<Step, 8> KnightSteps = {
    {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}}};

template <size_t N>
constexpr std::array<u64, 64> LeaperTable(const std::array<Step, N>& steps) {
    std::array<u64, 64> table{};
    for (i32 sq = 0; sq < 64; ++sq)
        for (const Step& step : steps)
            if (OnBoard(FileOf(sq) + step.file, RankOf(sq) + step.rank))
                table[sq] |= u64(1) << (sq + step.rank * 8 + step.file);
    return table;
}
constexpr std::array<u64, 64> KingAttacks = LeaperTable(KingSteps);
constexpr std::array<u64, 64> KnightAttacks = LeaperTable(KnightSteps);

// Squares a White pawn on sq attacks (one rank up, one file aside).
constexpr std::array<u64, 64> MakePawnAttacks() {
    std::array<u64, 64> table{};
    for (i32 sq = 0; sq < 56; ++sq) {
        if (FileOf(sq) > 0) table[sq] |= u64(1) << (sq + 7);
        if (FileOf(sq) < 7) table[sq] |= u64(1) << (sq + 9);
    }
    return table;
}
constexpr std::array<u64, 64> PawnAttacks = MakePawnAttacks();

// The square one step along a line from sq, or NoSquare off the board.
constexpr i32 NextSquare(i32 sq, Step step) {
    return OnBoard(FileOf(sq) + step.file, RankOf(sq) + step.rank) ? sq + step.rank * 8 + step.file
                                                                   : NoSquare;
}

// Squares a slider on sq attacks along the given lines, each line ending on
// its first occupied square.
template <size_t N>
u64 SliderAttacks(i32 sq, const std::array<Step, N>& steps, u64 occupied) {
    u64 attacks = 0;
    for (const Step& step : steps)
        for (i32 to = NextSquare(sq, step); to != NoSquare; to = NextSquare(to, step)) {
            attacks |= Bit(to);
            if (occupied & Bit(to)) break;
        }
    return attacks;
}

// Squares strictly between a and b when they share a line along steps,
// with found = false when they do not.
template <size_t N>
u64 LineBetween(i32 a, i32 b, const std::array<Step, N>& steps, bool& found) {
    for (const Step& step : steps) {
        u64 passed = 0;
        for (i32 to = NextSquare(a, step); to != NoSquare; to = NextSquare(to, step)) {
            if (to == b) {
                found = true;
                return passed;
            }
            passed |= Bit(to);
        }
    }
    found = false;
    return 0;
}

// One king step for a whole set of king squares at once. For step d,
// origins[d] holds the squares from which the step stays on the board, and
// StepBack(targets, d) has bit s set when bit s + step of targets is set:
// "which king squares reach a target with this step" in one word.
struct KingStepMasks {
    std::array<u64, 8> origins{};
    std::array<i32, 8> delta{};
};
constexpr KingStepMasks MakeKingStepMasks() {
    KingStepMasks masks;
    for (size_t d = 0; d < KingSteps.size(); ++d) {
        masks.delta[d] = KingSteps[d].rank * 8 + KingSteps[d].file;
        for (i32 sq = 0; sq < 64; ++sq)
            if (NextSquare(sq, KingSteps[d]) != NoSquare) masks.origins[d] |= Bit(sq);
    }
    return masks;
}
constexpr KingStepMasks StepMasks = MakeKingStepMasks();

inline u64 StepBack(u64 targets, size_t d) {
    const i32 delta = StepMasks.delta[d];
    return (delta > 0 ? targets >> delta : targets << -delta) & StepMasks.origins[d];
}

// ---------------------------------------------------------------------------
// King and pawn against king

constexpr i32 PawnTableBits = 64 * 64 * 64 * 2;

constexpr i32 PawnIndex(i32 side, i32 pawn, i32 strongKing, i32 weakKing) {
    return side + 2 * (pawn + 64 * (strongKing + 64 * weakKing));
}

enum PawnSide : i32 { PawnSideToMove = 0, LoneKingToMove = 1 };

bool IsLegalPawnPosition(i32 side, i32 pawn, i32 strongKing, i32 weakKing) {
    if (RankOf(pawn) == 0 || RankOf(pawn) == 7) return false;
    if (pawn == strongKing || pawn == weakKing || strongKing == weakKing) return false;
    if (KingAttacks[strongKing] & Bit(weakKing)) return false;
    // With the pawn side to move the lone king may not stand in check.
    return !(side == PawnSideToMove && (PawnAttacks[pawn] & Bit(weakKing)));
}

// After promoting to a queen or rook on square, with the lone king to move:
// won unless the king takes the new piece or is stalemated.
bool PromotionWins(bool queen, i32 square, i32 strongKing, i32 weakKing) {
    const u64 guarded = KingAttacks[strongKing];
    if ((KingAttacks[weakKing] & Bit(square)) && !(guarded & Bit(square))) return false;
    // The lone king does not shield the squares behind it from the new piece.
    const u64 occupied = Bit(strongKing) | Bit(square);
    u64 attacked = SliderAttacks(square, StraightSteps, occupied) | guarded | Bit(square);
    if (queen) attacked |= SliderAttacks(square, DiagonalSteps, occupied);
    if (KingAttacks[weakKing] & ~attacked) return true;
    return (attacked & Bit(weakKing)) != 0;  // mate wins, stalemate draws
}

// Squares the lone king may step to: not next to the other king, not
// attacked by the pawn (the pawn's own square is a capture, allowed when
// unguarded, which the caller treats separately).
u64 LoneKingTargets(i32 pawn, i32 strongKing, i32 weakKing) {
    return KingAttacks[weakKing] & ~KingAttacks[strongKing] & ~PawnAttacks[pawn];
}

// The positions a pawn move reaches below the last rank, lone king to move:
// one step, and two from the second rank, over empty squares only.
template <typename Visit>
void ForEachPawnPush(i32 pawn, i32 strongKing, i32 weakKing, Visit visit) {
    const i32 ahead = pawn + 8, twoAhead = pawn + 16;
    if (ahead == strongKing || ahead == weakKing || RankOf(ahead) == 7) return;
    visit(PawnIndex(LoneKingToMove, ahead, strongKing, weakKing));
    if (RankOf(pawn) == 1 && twoAhead != strongKing && twoAhead != weakKing)
        visit(PawnIndex(LoneKingToMove, twoAhead, strongKing, weakKing));
}

bool PawnSideWins(const std::vector<u8>& win, i32 pawn, i32 strongKing, i32 weakKing) {
    const i32 ahead = pawn + 8;
    if (RankOf(ahead) == 7 && ahead != strongKing && ahead != weakKing &&
        (PromotionWins(true, ahead, strongKing, weakKing) ||
         PromotionWins(false, ahead, strongKing, weakKing)))
        return true;
    bool wins = false;
    ForEachPawnPush(pawn, strongKing, weakKing, [&](i32 index) { wins = wins || win[index]; });
    for (u64 moves = KingAttacks[strongKing] & ~KingAttacks[weakKing] & ~Bit(pawn); moves && !wins;
         moves &= moves - 1)
        wins = win[PawnIndex(LoneKingToMove, pawn, __builtin_ctzll(moves), weakKing)];
    return wins;
}

// The lone king to move loses when every move it has reaches a loss; taking
// the unguarded pawn draws, and without a move mate loses and stalemate
// draws.
bool LoneKingLoses(const std::vector<u8>& win, i32 pawn, i32 strongKing, i32 weakKing) {
    const u64 targets = LoneKingTargets(pawn, strongKing, weakKing);
    if (targets & Bit(pawn)) return false;
    if (!targets) return (PawnAttacks[pawn] & Bit(weakKing)) != 0;
    for (u64 rest = targets; rest; rest &= rest - 1)
        if (!win[PawnIndex(PawnSideToMove, pawn, strongKing, __builtin_ctzll(rest))]) return false;
    return true;
}

// Bit set where the pawn side wins, by iterating to the fixed point from
// "nothing won": a position joins once its side to move can force a
// position already known as won.
std::vector<u8> SolvePawnWins() {
    std::vector<u8> win(PawnTableBits, 0), legal(PawnTableBits, 0);
    for (i32 index = 0; index < PawnTableBits; ++index)
        legal[index] =
            IsLegalPawnPosition(index & 1, (index >> 1) & 63, (index >> 7) & 63, index >> 13);

    bool changed = true;
    while (changed) {
        changed = false;
        for (i32 index = 0; index < PawnTableBits; ++index) {
            if (!legal[index] || win[index]) continue;
            const i32 pawn = (index >> 1) & 63, strongKing = (index >> 7) & 63,
                      weakKing = index >> 13;
            const bool wins = (index & 1) == PawnSideToMove
                                  ? PawnSideWins(win, pawn, strongKing, weakKing)
                                  : LoneKingLoses(win, pawn, strongKing, weakKing);
            if (wins) {
                win[index] = 1;
                changed = true;
            }
        }
    }
    return win;
}

// Run wins: the pawn promotes by pushing alone while the stronger king stands
// still. The pawn side to move runs when its push makes a queen that cannot
// be taken at once, or reaches a run win; a pawn whose square ahead holds a
// king cannot run. The lone king to move is outrun when it cannot take the
// pawn and every move reaches a run win; a king without any move counts as
// outrun here (mate and stalemate alike), and the last step keeps only
// positions that are real wins.
bool PawnRuns(const std::vector<u8>& run, i32 pawn, i32 strongKing, i32 weakKing) {
    const i32 ahead = pawn + 8;
    if (ahead == strongKing || ahead == weakKing) return false;
    if (RankOf(ahead) == 7)
        return !(KingAttacks[weakKing] & Bit(ahead)) || (KingAttacks[strongKing] & Bit(ahead));
    bool runs = false;
    ForEachPawnPush(pawn, strongKing, weakKing, [&](i32 index) { runs = runs || run[index]; });
    return runs;
}

bool LoneKingOutrun(const std::vector<u8>& run, i32 pawn, i32 strongKing, i32 weakKing) {
    const u64 targets = LoneKingTargets(pawn, strongKing, weakKing);
    if (targets & Bit(pawn)) return false;
    for (u64 rest = targets; rest; rest &= rest - 1)
        if (!run[PawnIndex(PawnSideToMove, pawn, strongKing, __builtin_ctzll(rest))]) return false;
    return true;
}

// The pawn only advances, so the ranks are settled from the seventh down,
// the pawn side's positions of a rank before the lone king's.
std::vector<u8> SolvePawnRuns(const std::vector<u8>& win) {
    std::vector<u8> run(PawnTableBits, 0);
    for (i32 rank = 6; rank >= 1; --rank)
        for (i32 side : {PawnSideToMove, LoneKingToMove})
            for (i32 pawn = rank * 8; pawn < rank * 8 + 8; ++pawn)
                for (i32 strongKing = 0; strongKing < 64; ++strongKing)
                    for (i32 weakKing = 0; weakKing < 64; ++weakKing) {
                        if (!IsLegalPawnPosition(side, pawn, strongKing, weakKing)) continue;
                        run[PawnIndex(side, pawn, strongKing, weakKing)] =
                            side == PawnSideToMove
                                ? PawnRuns(run, pawn, strongKing, weakKing)
                                : LoneKingOutrun(run, pawn, strongKing, weakKing);
                    }
    for (i32 index = 0; index < PawnTableBits; ++index) run[index] &= win[index];
    return run;
}

// ---------------------------------------------------------------------------
// King and rook against king and one man
//
// Side A has king and rook, side B its king and at most one more man (queen,
// rook, bishop, knight or a pawn moving up). Only "does A force mate" is
// solved. A position word fixes A's king, A's rook and B's man; its 64 bits
// stand for the squares of B's king, so one word operation treats 64
// positions: B's king moves become shifts, and B's king blocking a line
// becomes a mask.

enum class Man { None, Queen, Rook, Bishop, Knight, Pawn };

struct Ending {
    Man man = Man::None;
    i32 manSquares = 1;  // 64 with a man, 1 without
    // Per word, bits over B's king square:
    std::vector<u64> legalA;   // A to move, legal: B's king not attacked
    std::vector<u64> legalB;   // B to move, legal: A's king not attacked
    std::vector<u64> checkB;   // B to move and in check by the rook
    std::vector<u64> kingToA;  // squares B's king may step to in this word's set-up
    std::vector<u64> winA;     // A to move and A mates by force
    std::vector<u64> winB;     // B to move and A mates by force

    i32 Word(i32 kingA, i32 rook, i32 man) const {
        return (kingA * 64 + rook) * manSquares + (manSquares == 1 ? 0 : man);
    }
};

// Squares of B's king on which A's king is not attacked by B's man: all or
// none for a leaper, and for a slider on a line with A's king the squares
// between them, unless the rook already blocks that line.
u64 KingASafe(Man man, i32 manSquare, i32 kingA, i32 rook) {
    constexpr u64 Everywhere = ~u64(0);
    switch (man) {
    case Man::None: return Everywhere;
    case Man::Knight: return (KnightAttacks[manSquare] & Bit(kingA)) ? 0 : Everywhere;
    case Man::Pawn: return (PawnAttacks[manSquare] & Bit(kingA)) ? 0 : Everywhere;
    case Man::Queen:
    case Man::Rook:
    case Man::Bishop: break;
    }
    bool straight = false, diagonal = false;
    u64 between = 0;
    if (man != Man::Bishop) between = LineBetween(manSquare, kingA, StraightSteps, straight);
    if (!straight && man != Man::Rook)
        between = LineBetween(manSquare, kingA, DiagonalSteps, diagonal);
    if (!straight && !diagonal) return Everywhere;
    if (between & Bit(rook)) return Everywhere;
    return between;
}

Ending MakeEnding(Man man) {
    Ending ending;
    ending.man = man;
    ending.manSquares = man == Man::None ? 1 : 64;
    const size_t words = size_t(64) * 64 * ending.manSquares;
    for (auto* table : {&ending.legalA, &ending.legalB, &ending.checkB, &ending.kingToA,
                        &ending.winA, &ending.winB})
        table->assign(words, 0);
    for (i32 kingA = 0; kingA < 64; ++kingA)
        for (i32 rook = 0; rook < 64; ++rook)
            for (i32 manIndex = 0; manIndex < ending.manSquares; ++manIndex) {
                const i32 manSquare = man == Man::None ? NoSquare : manIndex;
                if (rook == kingA || manSquare == kingA || manSquare == rook) continue;
                if (man == Man::Pawn && (RankOf(manSquare) == 0 || RankOf(manSquare) == 7))
                    continue;
                const i32 word = ending.Word(kingA, rook, manSquare);
                const u64 free = ~(Bit(kingA) | Bit(rook) | Bit(manSquare)) & ~KingAttacks[kingA];
                const u64 rookAttacks =
                    SliderAttacks(rook, StraightSteps, Bit(kingA) | Bit(manSquare));
                ending.legalA[word] = free & ~rookAttacks;
                ending.legalB[word] = free & KingASafe(man, manSquare, kingA, rook);
                ending.checkB[word] = rookAttacks & ending.legalB[word];
                // B's king may also step onto an unguarded rook.
                ending.kingToA[word] =
                    ending.legalA[word] | ((KingAttacks[kingA] & Bit(rook)) ? 0 : Bit(rook));
            }
    return ending;
}

// The endings a position of B's pawn turns into when it promotes.
struct Promotions {
    const Ending* queen;
    const Ending* rook;
    const Ending* bishop;
    const Ending* knight;
};

struct Solver {
    Ending& ending;
    const Ending* afterCapture;    // king and rook against king, B to move
    const Promotions* promotions;  // for the pawn ending only

    // A to move: some move reaches a position won with B to move. Moves that
    // leave A's king attacked reach illegal positions, whose bits are 0.
    u64 SolveA(i32 kingA, i32 rook, i32 manSquare) const {
        const Ending& e = ending;
        u64 wins = 0;
        for (u64 moves = KingAttacks[kingA] & ~Bit(rook); moves; moves &= moves - 1) {
            const i32 to = __builtin_ctzll(moves);
            wins |= to == manSquare ? afterCapture->winB[afterCapture->Word(to, rook, NoSquare)]
                                    : e.winB[e.Word(to, rook, manSquare)];
        }
        for (const Step& step : StraightSteps) {
            u64 passed = 0;  // B's king on these squares blocks the rook
            for (i32 to = NextSquare(rook, step); to != NoSquare && to != kingA;
                 to = NextSquare(to, step)) {
                if (to == manSquare) {
                    wins |= afterCapture->winB[afterCapture->Word(kingA, to, NoSquare)] & ~passed;
                    break;
                }
                wins |= e.winB[e.Word(kingA, to, manSquare)] & ~passed;
                passed |= Bit(to);
            }
        }
        return wins & e.legalA[e.Word(kingA, rook, manSquare)];
    }

    // B to move: won for A when B is mated, or when B has a move and every
    // move reaches a position won with A to move. A move of B's man is
    // unavailable where B's king blocks its path (mask "open"); a move onto
    // the rook reaches a position A cannot win.
    struct Replies {
        u64 allLose = ~u64(0);
        u64 anyLegal = 0;
        void Add(u64 open, u64 legalAfter, u64 wonAfter) {
            allLose &= ~open | ~legalAfter | wonAfter;
            anyLegal |= open & legalAfter;
        }
    };

    // One move of B's man to square to, available where open has B's king.
    void AddManMove(Replies& replies, i32 kingA, i32 rook, i32 to, u64 open) const {
        const Ending& e = ending;
        if (to == rook) {
            replies.Add(open, ~u64(0), 0);
            return;
        }
        if (e.man == Man::Pawn && RankOf(to) == 7) {
            // B chooses the promotion that suits it best.
            for (const Ending* after :
                 {promotions->queen, promotions->rook, promotions->bishop, promotions->knight}) {
                const i32 word = after->Word(kingA, rook, to);
                replies.Add(open, after->legalA[word], after->winA[word]);
            }
            return;
        }
        const i32 word = e.Word(kingA, rook, to);
        replies.Add(open, e.legalA[word], e.winA[word]);
    }

    u64 SolveB(i32 kingA, i32 rook, i32 manSquare) const {
        const Ending& e = ending;
        const i32 word = e.Word(kingA, rook, manSquare);
        Replies replies;
        const u64 kingSafe = e.kingToA[word];
        const u64 kingLoses = ~kingSafe | e.winA[word];
        for (size_t d = 0; d < KingSteps.size(); ++d) {
            replies.allLose &= StepBack(kingLoses, d) | ~StepMasks.origins[d];
            replies.anyLegal |= StepBack(kingSafe, d);
        }
        const u64 blockers = Bit(kingA) | Bit(rook);
        auto slide = [&](const auto& steps) {
            for (const Step& step : steps) {
                u64 passed = 0;
                for (i32 to = NextSquare(manSquare, step); to != NoSquare && to != kingA;
                     to = NextSquare(to, step)) {
                    AddManMove(replies, kingA, rook, to, ~(passed | Bit(to)));
                    if (blockers & Bit(to)) break;
                    passed |= Bit(to);
                }
            }
        };
        switch (e.man) {
        case Man::Queen:
            slide(StraightSteps);
            slide(DiagonalSteps);
            break;
        case Man::Rook: slide(StraightSteps); break;
        case Man::Bishop: slide(DiagonalSteps); break;
        case Man::Knight:
            for (u64 moves = KnightAttacks[manSquare] & ~Bit(kingA); moves; moves &= moves - 1) {
                const i32 to = __builtin_ctzll(moves);
                AddManMove(replies, kingA, rook, to, ~Bit(to));
            }
            break;
        case Man::Pawn: {
            // Taking the rook, then the pushes; B's king on a square ahead
            // blocks them.
            if (PawnAttacks[manSquare] & Bit(rook)) AddManMove(replies, kingA, rook, rook, ~u64(0));
            const i32 ahead = manSquare + 8;
            if (!(blockers & Bit(ahead))) {
                AddManMove(replies, kingA, rook, ahead, ~Bit(ahead));
                const i32 twoAhead = manSquare + 16;
                if (RankOf(manSquare) == 1 && !(blockers & Bit(twoAhead)))
                    AddManMove(replies, kingA, rook, twoAhead, ~(Bit(ahead) | Bit(twoAhead)));
            }
            break;
        }
        case Man::None: break;
        }
        return e.legalB[word] & replies.allLose & (e.checkB[word] | replies.anyLegal);
    }

    // Sweeps both sides until nothing changes; wins only ever grow, starting
    // from none, so the result holds exactly the forced wins.
    void Run() const {
        Ending& e = ending;
        bool changed = true;
        while (changed) {
            changed = false;
            for (bool sideA : {true, false})
                for (i32 kingA = 0; kingA < 64; ++kingA)
                    for (i32 rook = 0; rook < 64; ++rook)
                        for (i32 manIndex = 0; manIndex < e.manSquares; ++manIndex) {
                            const i32 manSquare = e.man == Man::None ? NoSquare : manIndex;
                            const i32 word = e.Word(kingA, rook, manSquare);
                            const u64 legal = sideA ? e.legalA[word] : e.legalB[word];
                            u64& wins = sideA ? e.winA[word] : e.winB[word];
                            if (legal == 0 || wins == legal) continue;
                            const u64 updated = sideA ? SolveA(kingA, rook, manSquare)
                                                      : SolveB(kingA, rook, manSquare);
                            if (updated != wins) {
                                wins = updated;
                                changed = true;
                            }
                        }
        }
    }
};

constexpr i32 RookPawnSlots = 16;

// Slot of a pawn on files e-h, ranks 4-7: e4..h4 are 0..3, up to e7..h7 at 12..15.
constexpr i32 RookPawnSlot(i32 pawn) { return (RankOf(pawn) - 3) * 4 + FileOf(pawn) - 4; }

// Rook side to move: bit pawnKing of word (rook * 64 + rookKing) * 16 + slot
// is set when the pawn side is not lost.
std::vector<u64> SolveRookPawn() {
    Ending bare = MakeEnding(Man::None);
    Solver{bare, &bare, nullptr}.Run();

    Ending queen = MakeEnding(Man::Queen), rook = MakeEnding(Man::Rook);
    Ending bishop = MakeEnding(Man::Bishop), knight = MakeEnding(Man::Knight);
    for (Ending* ending : {&queen, &rook, &bishop, &knight}) Solver{*ending, &bare, nullptr}.Run();

    Ending pawn = MakeEnding(Man::Pawn);
    const Promotions promotions{&queen, &rook, &bishop, &knight};
    Solver{pawn, &bare, &promotions}.Run();

    std::vector<u64> table(size_t(64) * 64 * RookPawnSlots, 0);
    for (i32 rookSquare = 0; rookSquare < 64; ++rookSquare)
        for (i32 rookKing = 0; rookKing < 64; ++rookKing)
            for (i32 pawnSquare = 3 * 8; pawnSquare < 7 * 8; ++pawnSquare) {
                if (FileOf(pawnSquare) < 4) continue;
                const i32 word = pawn.Word(rookKing, rookSquare, pawnSquare);
                table[(rookSquare * 64 + rookKing) * RookPawnSlots + RookPawnSlot(pawnSquare)] =
                    pawn.legalA[word] & ~pawn.winA[word];
            }
    return table;
}

// ---------------------------------------------------------------------------
// Output

std::vector<u8> PackBits(const std::vector<u8>& bits) {
    std::vector<u8> bytes(bits.size() / 8, 0);
    for (size_t b = 0; b < bits.size(); ++b)
        if (bits[b]) bytes[b >> 3] |= u8(1 << (b & 7));
    return bytes;
}

void WriteBytes(FILE* out, const char* name, const std::vector<u8>& bytes) {
    std::fprintf(out, "const u8 %s[%zu] = {", name, bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i)
        std::fprintf(out, "%s%u,", i % 32 == 0 ? "\n" : "", unsigned(bytes[i]));
    std::fprintf(out, "\n};\n\n");
}

void WriteWords(FILE* out, const char* name, const std::vector<u64>& words) {
    std::fprintf(out, "const u64 %s[%zu] = {", name, words.size());
    for (size_t i = 0; i < words.size(); ++i) {
        if (i % 8 == 0) std::fprintf(out, "\n");
        if (words[i] == 0)
            std::fprintf(out, "0,");
        else
            std::fprintf(out, "0x%016llx,", static_cast<unsigned long long>(words[i]));
    }
    std::fprintf(out, "\n};\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.cpp\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();

    const std::vector<u8> win = SolvePawnWins();
    const std::vector<u8> run = SolvePawnRuns(win);
    const std::vector<u64> rookPawn = SolveRookPawn();

    FILE* out = std::fopen(argv[1], "w");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out,
                 "// Endgame bit tables written by gen/bitbases_gen.cpp at build time.\n"
                 "#include \"eval/bitbases.h\"\n\n");
    WriteBytes(out, "PawnWinBitbase", PackBits(win));
    WriteBytes(out, "PawnRunBitbase", PackBits(run));
    WriteWords(out, "BuiltInRookPawnBitbase", rookPawn);
    if (std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }

    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("bitbases: tables written in %lld ms\n", static_cast<long long>(elapsed.count()));
    return 0;
}
