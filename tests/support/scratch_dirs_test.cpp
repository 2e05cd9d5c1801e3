// The scratch directories of the tests: made under TMPDIR, removed when the
// test ends, kept and named when it fails.
#include "support/scratch_dirs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

TEST(ScratchDirs, MadeUnderTmpdir) {
    const std::string parent = MakeScratchDir();
    const char* saved = std::getenv("TMPDIR");
    const std::string savedValue = saved ? saved : "";
    setenv("TMPDIR", parent.c_str(), 1);
    const std::string dir = MakeScratchDir();
    if (saved) setenv("TMPDIR", savedValue.c_str(), 1);
    else unsetenv("TMPDIR");
    EXPECT_EQ(fs::path(dir).parent_path(), fs::path(parent));
    EXPECT_EQ(fs::path(dir).filename().string().rfind("korvalent-test-", 0), 0u) << dir;
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST(ScratchDirs, RemovedAfterAPassKeptAndNamedAfterAFailure) {
    const std::string root = MakeScratchDir();
    const std::string passed = root + "/passed", failed = root + "/failed", current = root + "/current";
    for (const std::string& dir : {passed, failed, current}) {
        fs::create_directories(dir + "/tables");
        std::ofstream(dir + "/tables/kqk.nbw") << "data";
    }
    ScratchDirRegistry registry;
    std::ostringstream out;

    registry.Add(passed);
    registry.Finish(false, out);
    EXPECT_FALSE(fs::exists(passed));
    EXPECT_EQ(out.str(), "");

    registry.Add(failed);
    registry.Finish(true, out);
    EXPECT_TRUE(fs::exists(failed + "/tables/kqk.nbw"));
    EXPECT_EQ(out.str(), "Scratch directory kept: " + failed + "\n");
    EXPECT_TRUE(registry.Pending().empty());

    // A test that moved into its directory is moved out before it goes.
    const fs::path start = fs::current_path();
    ASSERT_EQ(chdir((current + "/tables").c_str()), 0);
    registry.Add(current);
    registry.Finish(false, out);
    EXPECT_FALSE(fs::exists(current));
    EXPECT_EQ(fs::current_path(), start);
}

}  // namespace
