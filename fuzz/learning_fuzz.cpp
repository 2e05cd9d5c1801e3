// The learning file Learn.kv1: the fuzzer's bytes become its chain heads and
// records, and every operation of the position learning runs on it: lookups
// of the records it holds (through damaged links and chains that loop),
// records added behind the last one and linked in, records rewritten in
// place, and a queue of positions written out.
//
// Input: one byte of choices, head patches, then records.
//   bit 0     the file is the rest of the input alone (mostly too short for
//             the chain heads; else header and 65536 empty heads come first)
//   bits 1-4  number of head patches, 6 bytes each: chain (u16), head (u32),
//             little-endian
//   the rest  bytes behind the heads, in records of 24 bytes (depth, score,
//             move, key1, key2, next) and a torn last one
// Each record's key pair is looked up; offsets found must lie on the record
// grid inside the file.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "board/fen.h"
#include "board/init_tables.h"
#include "book/learning.h"
#include "engine_run.h"

namespace {

constexpr char LearnFileHeader[] = "Korvalent learning file";
constexpr size_t HeadPatchBytes = 6;

u32 LittleEndian(const u8* bytes, i32 count) {
    u32 value = 0;
    for (i32 i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
    return value;
}

void PutLittleEndian(std::vector<u8>& file, size_t at, u32 value) {
    for (i32 i = 0; i < 4; ++i) file[at + i] = u8(value >> (8 * i));
}

// Looks a key pair up; a found record must be a whole record of the file.
u32 CheckedLookup(u32 key1, u32 key2, u32 fileLength) {
    i32 depth = 0, score = 0;
    u32 move = 0, offset = 0;
    FindLearnRecord(key1, key2, &depth, &score, &move, &offset);
    if (offset != 0 && (offset < LearnRecordsStart || (offset - LearnRecordsStart) % LearnRecordBytes != 0 ||
                        u64(offset) + LearnRecordBytes > fileLength))
        std::abort();
    return offset;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = (InitEngineTables(), true);
    (void)ready;
    if (size < 1) return 0;
    const u8 choices = data[0];
    size_t at = 1;
    std::vector<u8> file;
    std::vector<u32> patchedChains;
    if (choices & 1) {
        file.assign(data + 1, data + size);
    } else {
        file.assign(LearnRecordsStart, 0);
        std::copy(LearnFileHeader, LearnFileHeader + LearnHeaderBytes, file.begin());
        const i32 patches = choices >> 1 & 15;
        for (i32 i = 0; i < patches && at + HeadPatchBytes <= size; ++i, at += HeadPatchBytes) {
            const u32 chain = LittleEndian(data + at, 2);
            PutLittleEndian(file, LearnHeaderBytes + 4 * chain, LittleEndian(data + at + 2, 4));
            patchedChains.push_back(chain);
        }
        file.insert(file.end(), data + at, data + size);
    }
    WriteScratchFile("Learn.kv1", file.data(), file.size());

    const std::filesystem::path startDir = std::filesystem::current_path();
    if (chdir(ScratchDirPath().c_str()) != 0) std::abort();
    UseLearning = UseLearningData = LogLearningIntoFile = 1;
    OpenLearningFile();
    if (LearnFileHandle != nullptr) {
        // Every record's own key pair, and keys of the patched chains.
        const u32 length = u32(file.size());
        std::vector<std::pair<u32, u32>> keys;
        for (size_t record = at; record + LearnRecordBytes <= size; record += LearnRecordBytes)
            keys.push_back({LittleEndian(data + record + 12, 4), LittleEndian(data + record + 16, 4)});
        for (u32 chain : patchedChains) keys.push_back({chain | 0x10000, 7});
        u32 grown = length;
        for (const auto& [key1, key2] : keys) {
            const u32 offset = CheckedLookup(key1, key2, grown);
            if (offset != 0) {
                WriteLearnRecordAt(key1, key2, 600, -50, 0x1234, offset);
            } else {
                AppendLearnRecord(key1, key2, 600, -50, 0x1234);
                grown += LearnRecordBytes + LearnRecordBytes;
            }
            CheckedLookup(key1, key2, grown);
        }
        // Positions of a game queued and written out, logged as they go.
        if (ParseFen("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3")) {
            QueueLearnPosition(keys.empty() ? 5 : keys[0].first, 9, 0x1234, 30, -20, 570);
            QueueLearnPosition(0xABCD0001, 0x77, 0x5678, 10, -60, 630);
            FlushLearnQueue();
        }
    }
    CloseLearningFile();
    UseLearning = UseLearningData = LogLearningIntoFile = 0;
    LearnLogLineCount = 0;
    if (chdir(startDir.c_str()) != 0) std::abort();
    ClearScratchFiles();
    return 0;
}
