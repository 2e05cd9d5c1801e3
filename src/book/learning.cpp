// Position learning. Nothing of the learning file is held in memory: every
// lookup and update seeks to an explicit offset and reads or writes
// little-endian 32-bit words through the one open handle.
#include "book/learning.h"

#include <algorithm>
#include <cstring>

#include "board/fen.h"
#include "platform/platform.h"

i32 UseLearning = 0;
i32 UseLearningData = 0;
i32 LogLearningIntoFile = 0;
i32 LearnQueueCount = 0;
i32 LearnLogLineCount = 0;
FILE* LearnFileHandle = nullptr;

namespace {

constexpr char LearnFileName[] = "Learn.kv1";
constexpr char LearnLogName[] = "learn.log";
constexpr char LearnFileHeader[] = "Korvalent learning file";
static_assert(sizeof LearnFileHeader - 1 == LearnHeaderBytes);

constexpr i32 QueueFenBytes = 128;

struct LearnQueueRecord {
    u32 key1;
    u32 key2;
    i32 depth;
    i32 oldScore;
    i32 newScore;
    u32 move;
    char fen[QueueFenBytes];
};

LearnQueueRecord LearnQueue[LearnQueueSize];

void SeekLearnFile(u32 offset) { std::fseek(LearnFileHandle, i64(offset), SEEK_SET); }

void WriteLearnU32(u32 value) {
    const unsigned char bytes[4] = {u8(value), u8(value >> 8), u8(value >> 16), u8(value >> 24)};
    std::fwrite(bytes, 1, 4, LearnFileHandle);
}

// A word read past the end of the file reads as 0, the end of a chain.
u32 ReadLearnU32() {
    unsigned char bytes[4] = {0, 0, 0, 0};
    if (std::fread(bytes, 1, 4, LearnFileHandle) != 4) return 0;
    return u32(bytes[0]) | u32(bytes[1]) << 8 | u32(bytes[2]) << 16 | u32(bytes[3]) << 24;
}

// The file's length with every earlier write included.
u32 LearnFileLength() {
    std::fflush(LearnFileHandle);
    std::fseek(LearnFileHandle, 0, SEEK_END);
    return u32(std::ftell(LearnFileHandle));
}

u32 ChainHeadOffset(u32 key1) { return LearnHeaderBytes + 4 * (key1 & 0xFFFF); }

// A link of a damaged file ends its chain: it must point at a whole record
// on the record grid.
bool IsRecordLink(u32 link, u32 length) {
    return link >= LearnRecordsStart && length >= LearnRecordBytes &&
           link <= length - LearnRecordBytes && (link - LearnRecordsStart) % LearnRecordBytes == 0;
}

// A walk never visits more records than the file holds, so a chain that
// loops back on itself ends too.
u32 MaxChainSteps(u32 length) { return (length - LearnRecordsStart) / LearnRecordBytes + 1; }

// The offset of the zero link that ends the chain (a head word or a
// record's next word); 0 when the chain ends in a bad link instead.
u32 FindLearnChainEnd(u32 key1) {
    const u32 length = LearnFileLength();
    u32 linkAt = ChainHeadOffset(key1);
    for (u32 step = 0; step < MaxChainSteps(length); step++) {
        SeekLearnFile(linkAt);
        const u32 link = ReadLearnU32();
        if (link == 0) return linkAt;
        if (!IsRecordLink(link, length)) return 0;
        linkAt = link + LearnNextField;
    }
    return 0;
}

void WriteRecordFields(u32 key1, u32 key2, i32 depth, i32 score, u32 move) {
    WriteLearnU32(u32(depth));
    WriteLearnU32(u32(score));
    WriteLearnU32(move);
    WriteLearnU32(key1);
    WriteLearnU32(key2);
}

// Writes the empty table: the header and 65536 empty chains.
bool InitialiseLearnFile() {
    SeekLearnFile(0);
    std::fwrite(LearnFileHeader, 1, LearnHeaderBytes, LearnFileHandle);
    static const unsigned char emptyHeads[4 * LearnChainCount] = {};
    std::fwrite(emptyHeads, 1, sizeof emptyHeads, LearnFileHandle);
    return std::fflush(LearnFileHandle) == 0 && !std::ferror(LearnFileHandle);
}

void SwitchLearningOff() {
    UseLearning = 0;
    UseLearningData = 0;
    if (LearnFileHandle) std::fclose(LearnFileHandle);
    LearnFileHandle = nullptr;
}

void AppendLearnLog(const char* tag, i32 depth, i32 oldScore, i32 newScore, const char* fen) {
    // A log that is no regular file is not written: appending to a FIFO
    // would wait for a reader.
    FILE* log = OpenRegularFile(LearnLogName, "a").file;
    if (log == nullptr) return;
    std::fprintf(log, "%d%c%s Depth = %d%cOldEvaluation = %d%cEvaluaton = %d%cFEN = %s\n",
                 LearnLogLineCount, '\t', tag, depth, '\t', oldScore, '\t', newScore, '\t', fen);
    std::fclose(log);
    LearnLogLineCount += 1;
}

// One queued position into the file: refreshed in place when its key pair
// got a record meanwhile, added otherwise.
void StoreLearnRecord(const LearnQueueRecord& record) {
    i32 depth = 0, score = 0;
    u32 move = 0, offset = 0;
    FindLearnRecord(record.key1, record.key2, &depth, &score, &move, &offset);
    if (offset != 0) {
        if (LogLearningIntoFile)
            AppendLearnLog("Refresh:", record.depth, record.oldScore, record.newScore, record.fen);
        WriteLearnRecordAt(record.key1, record.key2, record.depth, record.newScore, record.move,
                           offset);
    } else {
        if (LogLearningIntoFile)
            AppendLearnLog("Add:", record.depth, record.oldScore, record.newScore, record.fen);
        AppendLearnRecord(record.key1, record.key2, record.depth, record.newScore, record.move);
    }
}

}  // namespace

void QueueLearnPosition(u32 key1, u32 key2, u32 move, i32 oldScore, i32 newScore, i32 depth) {
    LearnQueueRecord& record = LearnQueue[LearnQueueCount];
    record = {key1, key2, depth, oldScore, newScore, move, {}};
    WriteFen(move);
    const size_t length = std::min(std::strlen(FenText), size_t(QueueFenBytes - 1));
    std::memcpy(record.fen, FenText, length);
    record.fen[length] = '\0';
    LearnQueueCount += 1;
}

void OpenLearningFile() {
    // Only a regular file: a FIFO of that name would make every lookup wait.
    OpenedFile opened = OpenRegularFile(LearnFileName, "rb+");
    // Created only when it does not exist: an existing file that cannot be
    // opened is never truncated.
    if (opened.failure == OpenFailure::Missing) {
        const OpenedFile created = OpenRegularFile(LearnFileName, "wbx");
        if (created.file) {
            std::fclose(created.file);
            opened = OpenRegularFile(LearnFileName, "rb+");
        }
    }
    LearnFileHandle = opened.file;
    if (LearnFileHandle == nullptr) {
        std::printf("Error opening \"%s\"!%s\n", LearnFileName,
                    opened.failure == OpenFailure::NotRegular ? " (not a regular file)" : "");
        std::fflush(stdout);
        SwitchLearningOff();
        return;
    }
    const u32 length = LearnFileLength();
    if (length == 0) {
        if (!InitialiseLearnFile()) {
            std::printf("Error opening \"%s\"!\n", LearnFileName);
            std::fflush(stdout);
            SwitchLearningOff();
        }
    } else if (length < LearnRecordsStart) {
        std::printf("Invalid learning file format\n");
        std::fflush(stdout);
        SwitchLearningOff();
    }
}

void CloseLearningFile() {
    if (LearnFileHandle) std::fclose(LearnFileHandle);
    LearnFileHandle = nullptr;
}

void FindLearnRecord(u32 key1, u32 key2, i32* depth, i32* score, u32* move, u32* offset) {
    *offset = 0;
    if (LearnFileHandle == nullptr) return;
    const u32 length = LearnFileLength();
    SeekLearnFile(ChainHeadOffset(key1));
    u32 link = ReadLearnU32();
    for (u32 step = 0; step < MaxChainSteps(length); step++) {
        if (!IsRecordLink(link, length)) return;
        SeekLearnFile(link);
        *depth = i32(ReadLearnU32());
        *score = i32(ReadLearnU32());
        *move = ReadLearnU32();
        const u32 storedKey1 = ReadLearnU32(), storedKey2 = ReadLearnU32();
        if (storedKey1 == key1 && storedKey2 == key2) {
            *offset = link;
            return;
        }
        link = ReadLearnU32();
    }
}

void WriteLearnRecordAt(u32 key1, u32 key2, i32 depth, i32 score, u32 move, u32 offset) {
    if (LearnFileHandle == nullptr) return;
    SeekLearnFile(offset);
    WriteRecordFields(key1, key2, depth, score, move);
    std::fflush(LearnFileHandle);
}

void AppendLearnRecord(u32 key1, u32 key2, i32 depth, i32 score, u32 move) {
    if (LearnFileHandle == nullptr) return;
    const u32 linkAt = FindLearnChainEnd(key1);
    if (linkAt == 0) return;
    // The first record boundary at or after the end: a torn last record is
    // covered, not continued.
    const u32 length = LearnFileLength();
    const u32 records = (length - LearnRecordsStart + LearnRecordBytes - 1) / LearnRecordBytes;
    const u32 recordAt = LearnRecordsStart + records * LearnRecordBytes;
    // The record first, then its link: an interrupted append leaves an
    // unreachable record, never a link to nothing.
    SeekLearnFile(recordAt);
    WriteRecordFields(key1, key2, depth, score, move);
    WriteLearnU32(0);
    std::fflush(LearnFileHandle);
    SeekLearnFile(linkAt);
    WriteLearnU32(recordAt);
    std::fflush(LearnFileHandle);
}

void FlushLearnQueue() {
    for (i32 i = 0; i < LearnQueueCount; i++) StoreLearnRecord(LearnQueue[i]);
    LearnQueueCount = 0;
}
