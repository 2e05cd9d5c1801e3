// Discovery of table files on the path list, in scratch directories holding
// files of the registry's exact lengths (sparse where large).
#include "tablebase/table_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "compressed_encoder.h"
#include "support/engine_process.h"
#include "table_file_fixtures.h"
#include "tablebase/block_decoder.h"
#include "tablebase/table_file_state.h"
#include "tablebase/tablebase_settings.h"

namespace {

const i32 Kpk = TableId("kpk");
const i32 Kpkp = TableId("kpkp");
const i32 Knkn = TableId("knkn");
const i32 Krbkbn = TableId("krbkbn");

std::string NewDir(const std::string& parent, const char* name) {
    const std::string dir = parent + "/" + name;
    mkdir(dir.c_str(), 0755);
    return dir;
}

// A plain table side of the registry length.
void WritePlainSide(const std::string& dir, const char* fileName, i32 id, i32 side) {
    WriteSparseFile(dir + "/" + fileName, TablebaseRegistry[id].indexSize[side]);
}

std::string RegisteredName(i32 id, i32 side, i32 extent = 0) {
    const char* name = TablebaseFiles[id].fileName[side][extent];
    return name ? name : "";
}

TEST(TableFiles, FirstDirectoryWinsPerExtent) {
    const std::string root = MakeScratchDir();
    const std::string first = NewDir(root, "first"), second = NewDir(root, "second");
    for (const std::string& dir : {first, second}) {
        WritePlainSide(dir, "kpk.nbw", Kpk, 0);
        WritePlainSide(dir, "kpk.nbb", Kpk, 1);
    }
    // Split table: extents 0 and 2 in the first directory (1 missing), all
    // three in the second.
    for (const char* name : {"krbkbn.0.nbw", "krbkbn.2.nbw"}) WriteSparseFile(first + "/" + name, 100);
    for (const char* name : {"krbkbn.0.nbw", "krbkbn.1.nbw", "krbkbn.2.nbw"})
        WriteSparseFile(second + "/" + name, 100);
    EXPECT_EQ(InitTablebases((first + ";" + second).c_str()), 6);
    EXPECT_EQ(RegisteredName(Kpk, 0), first + "\\kpk.nbw");
    EXPECT_EQ(RegisteredName(Kpk, 1), first + "\\kpk.nbb");
    EXPECT_EQ(RegisteredName(Krbkbn, 0, 0), first + "\\krbkbn.0.nbw");
    EXPECT_EQ(RegisteredName(Krbkbn, 0, 1), second + "\\krbkbn.1.nbw");
    EXPECT_EQ(RegisteredName(Krbkbn, 0, 2), second + "\\krbkbn.2.nbw");
    EXPECT_EQ(RegisteredName(Krbkbn, 1, 0), "");

    // The first directory alone: the missing middle extent stops the search.
    EXPECT_EQ(InitTablebases(first.c_str()), 6);
    EXPECT_EQ(RegisteredName(Krbkbn, 0, 0), first + "\\krbkbn.0.nbw");
    EXPECT_EQ(RegisteredName(Krbkbn, 0, 1), "");
    EXPECT_EQ(RegisteredName(Krbkbn, 0, 2), "");
    InitTablebases(nullptr);
}

TEST(TableFiles, SeparatorsBlanksAndMissingDirectories) {
    const std::string root = MakeScratchDir();
    const std::string a = NewDir(root, "a"), b = NewDir(root, "b");
    WritePlainSide(a, "kpk.nbw", Kpk, 0);
    // Names on disk may differ in case from the composed ones.
    WritePlainSide(b, "KPK.NBB", Kpk, 1);
    // ',' and ';' both separate; a missing directory is skipped.
    EXPECT_EQ(InitTablebases((root + "/none," + a + ";" + b).c_str()), 3);
    EXPECT_EQ(RegisteredName(Kpk, 0), a + "\\kpk.nbw");
    EXPECT_EQ(RegisteredName(Kpk, 1), b + "\\kpk.nbb");
    // A GUI's carriage return arrives as a trailing blank.
    EXPECT_EQ(InitTablebases((a + "  ").c_str()), 3);
    EXPECT_EQ(RegisteredName(Kpk, 0), a + "\\kpk.nbw");
    // A trailing '\' gets no second one.
    EXPECT_EQ(InitTablebases((a + "\\").c_str()), 3);
    EXPECT_EQ(RegisteredName(Kpk, 0), a + "\\kpk.nbw");
    // A directory named like a table file is no table.
    NewDir(root, "kpk.nbw");
    EXPECT_EQ(InitTablebases(root.c_str()), 0);
    // A directory whose file names would not fit is skipped.
    EXPECT_EQ(InitTablebases((a + std::string(1100, '/')).c_str()), 0);
    InitTablebases(nullptr);
}

TEST(TableFiles, SidesSymmetricTablesAndResults) {
    const std::string root = MakeScratchDir();
    struct Case {
        std::vector<const char*> files;
        i32 result;
    };
    const Case cases[] = {
        {{}, 0},
        {{"kpk.nbw"}, 3},
        {{"kpkp.nbw"}, 4},
        {{"kqqqk.nbb"}, 5},
        {{"kpk.nbw", "knnknn.nbw"}, 6},
    };
    i32 n = 0;
    for (const Case& c : cases) {
        const std::string dir = NewDir(root, std::to_string(n++).c_str());
        for (const char* file : c.files) {
            const std::string name = file;
            const i32 id = TableId(name.substr(0, name.find('.')).c_str());
            WritePlainSide(dir, file, id, name.back() == 'b' ? 1 : 0);
        }
        EXPECT_EQ(InitTablebases(dir.c_str()), c.result) << n;
    }
    // kpkp has both files; knkn only its white-to-move file: a .nbb of the
    // wrong length beside it is never opened.
    const std::string dir = NewDir(root, "sides");
    WritePlainSide(dir, "kpkp.nbw", Kpkp, 0);
    WritePlainSide(dir, "kpkp.nbb", Kpkp, 1);
    WritePlainSide(dir, "knkn.nbw", Knkn, 0);
    WriteSparseFile(dir + "/knkn.nbb", 5);
    EXPECT_EQ(InitTablebases(dir.c_str()), 4);
    EXPECT_EQ(RegisteredName(Kpkp, 1), dir + "\\kpkp.nbb");
    EXPECT_EQ(RegisteredName(Knkn, 0), dir + "\\knkn.nbw");
    EXPECT_EQ(RegisteredName(Knkn, 1), "");
    EXPECT_NE(TablebaseFiles[Knkn].cacheChains[0], nullptr);
    EXPECT_EQ(TablebaseFiles[Knkn].cacheChains[1], nullptr);
    EXPECT_EQ(InitTablebases(nullptr), 0);
    EXPECT_EQ(RegisteredName(Kpkp, 0), "");
}

TEST(TableFiles, CompressedNamesInTheirOrder) {
    const std::string root = MakeScratchDir();
    const std::vector<u8> file = test_encoder::EncodeTable(SyntheticTable(Kpk, 0)).file;
    // Each list: the names present; the first is the one registered.
    const std::vector<std::vector<const char*>> cases = {
        {"kpk.nbw", "kpk.nbw.emd"},
        {"kpk.nbw.emd", "kpk_nbw.emd"},
        {"kpk_nbw.emd", "kpk_nbw_emd"},
        {"kpk_nbw_emd", "kpknbw.emd"},
        {"kpknbw.emd"},
    };
    i32 n = 0;
    for (const auto& names : cases) {
        const std::string dir = NewDir(root, std::to_string(n++).c_str());
        for (const char* name : names) {
            if (std::string(name) == "kpk.nbw") WritePlainSide(dir, name, Kpk, 0);
            else WriteWholeFile(dir + "/" + name, file);
        }
        EXPECT_EQ(InitTablebases(dir.c_str()), 3) << names[0];
        EXPECT_EQ(RegisteredName(Kpk, 0), dir + "\\" + names[0]);
        EXPECT_EQ(TablebaseFiles[Kpk].compressedInfo[0][0] != nullptr, n > 1) << names[0];
    }
    // A compressed file seen once keeps the decode state in every later scan.
    EXPECT_GT(CompressedFileCount, 0);
    EXPECT_EQ(InitTablebases(root.c_str()), 0);
    EXPECT_NE(EgtbDecodeState, nullptr);
    EXPECT_GE(EgtbIndexBytes, 8280u);
    InitTablebases(nullptr);
}

// A file that cannot serve is skipped with one line naming it as the file
// system has it; the scan goes on and a usable file of another name (or in
// a later directory) takes its place. Whole runs of the engine: see
// damaged_files_test.
TEST(TableFiles, FilesThatCannotServeAreSkippedWithOneLine) {
    const std::string root = MakeScratchDir();
    const std::vector<u8> kpkWhite = test_encoder::EncodeTable(SyntheticTable(Kpk, 0)).file;
    test_encoder::EncoderOptions smallBlocks;
    smallBlocks.blockSizeLog2 = 12;
    struct File {
        const char* name;
        std::vector<u8> bytes;
        bool fifo = false;
    };
    struct Case {
        const char* what;
        std::vector<File> files;
        const char* registered;  // kpk white to move, or "" for none
        std::string printed;     // with the directory as <dir>
    };
    const Case cases[] = {
        {"a plain file of the wrong length gives way to a compressed one",
         {{"kpk.nbw", std::vector<u8>(100)}, {"kpk.nbw.emd", kpkWhite}},
         "kpk.nbw.emd",
         "Tablebase file <dir>/kpk.nbw skipped: wrong length (holds 100 positions, should hold 81664)\n"},
        {"a FIFO is never opened",
         {{"KPK.NBW", {}, true}, {"kpk_nbw.emd", kpkWhite}},
         "kpk_nbw.emd",
         "Tablebase file <dir>/KPK.NBW skipped: not a regular file\n"},
        {"an empty compressed file",
         {{"kpk.nbw.emd", {}}},
         "",
         "Tablebase file <dir>/kpk.nbw.emd skipped: read error\n"},
        {"blocks of another size",
         {{"kpk.nbw.emd", test_encoder::EncodeTable(SyntheticTable(Kpk, 0), smallBlocks).file}},
         "",
         "Tablebase file <dir>/kpk.nbw.emd skipped: unsupported block size 4096\n"},
        {"a compressed file cut short",
         {{"kpk.nbw.emd", std::vector<u8>(kpkWhite.begin(), kpkWhite.end() - 1)}},
         "",
         "Tablebase file <dir>/kpk.nbw.emd skipped: cut short (" + std::to_string(kpkWhite.size() - 1) +
             " bytes, its blocks end at " + std::to_string(kpkWhite.size()) + ")\n"},
    };
    i32 n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string dir = NewDir(root, std::to_string(n++).c_str());
        for (const File& file : c.files) {
            const std::string path = dir + "/" + file.name;
            if (file.fifo)
                ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
            else
                WriteWholeFile(path, file.bytes);
        }
        WritePlainSide(dir, "kpk.nbb", Kpk, 1);
        testing::internal::CaptureStdout();
        EXPECT_EQ(InitTablebases(dir.c_str()), 3);
        std::string printed = c.printed;
        printed.replace(printed.find("<dir>"), 5, dir);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), printed);
        EXPECT_EQ(RegisteredName(Kpk, 0), *c.registered ? dir + "\\" + c.registered : "");
        EXPECT_EQ(RegisteredName(Kpk, 1), dir + "\\kpk.nbb");
    }
    // A split side's extent may hold a full extent or the rest.
    const std::string dir = NewDir(root, "split");
    WriteWholeFile(dir + "/krbkbn.0.nbw.emd", test_encoder::EncodeTable(std::vector<u8>(100, 3)).file);
    testing::internal::CaptureStdout();
    EXPECT_EQ(InitTablebases(dir.c_str()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Tablebase file " + dir +
                  "/krbkbn.0.nbw.emd skipped: wrong length (holds 100 positions, should hold 2147483648 or " +
                  std::to_string(TablebaseRegistry[Krbkbn].indexSize[0] % ExtentBytes) + ")\n");
    // Nothing the damaged files held is counted for memory.
    EXPECT_EQ(EgtbIndexBytes, sizeof(DecodeState));
    InitTablebases(nullptr);
}

// A directory is searched once however often, and under whatever spelling,
// the list names it; so is the working directory of many empty pieces.
TEST(TableFiles, DirectoryNamedAgainIsScannedOnce) {
    const std::string root = MakeScratchDir();
    const std::string a = NewDir(root, "a");
    WritePlainSide(a, "kpk.nbw", Kpk, 0);
    const std::string list = a + ";" + a + "/," + root + "/./a;" + root + "/A;" + std::string(1100, ',') + a;
    EXPECT_EQ(InitTablebases(list.c_str()), 3);
    EXPECT_EQ(TablebaseDirectoriesScanned, 2);
    EXPECT_EQ(RegisteredName(Kpk, 0), a + "\\kpk.nbw");
    EXPECT_EQ(InitTablebases(nullptr), 0);
    EXPECT_EQ(TablebaseDirectoriesScanned, 0);
}

TEST(TableFiles, StartUpLinesAndEmptyPieceIsTheWorkingDirectory) {
    const std::string dir = MakeScratchDir();
    WritePlainSide(dir, "kpk.nbw", Kpk, 0);
    WriteWholeFile(dir + "/kpk.nbb.emd", test_encoder::EncodeTable(SyntheticTable(Kpk, 1)).file);
    // The default path has no tables here; an empty piece finds them.
    // A later scan that finds nothing still holds the decode state.
    const EngineRun run = RunEngine(
        "uci\nsetoption name NalimovPath value ;nothing\negtbstat\n"
        "setoption name NalimovPath value nothing\negtbstat\nquit\n",
        30, dir);
    EXPECT_EQ(run.exitCode, 0);
    const size_t found = run.output.find("3 piece EGTB files found\n");
    ASSERT_NE(found, std::string::npos) << run.output;
    EXPECT_LT(run.output.find("No EGTB files found\n"), found) << run.output;
    const char* memory = "kb of RAM used for TB indices and decompression tables\n";
    const size_t firstMemory = run.output.find(memory, found);
    ASSERT_NE(firstMemory, std::string::npos) << run.output;
    const size_t none = run.output.find("No EGTB files found\n", firstMemory);
    ASSERT_NE(none, std::string::npos) << run.output;
    EXPECT_NE(run.output.find("9kb of RAM used", none), std::string::npos) << run.output;
}

}  // namespace
