#include "support/scratch_dirs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Where the test program started: a test may have moved into a scratch
// directory that is about to go.
const fs::path StartDir = [] {
    std::error_code error;
    return fs::current_path(error);
}();

bool Contains(const fs::path& dir, const fs::path& path) {
    const fs::path relative = path.lexically_relative(dir);
    return !relative.empty() && *relative.begin() != "..";
}

class ScratchDirListener : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& test) override {
        TestScratchDirs().Finish(test.result()->Failed(), std::cout);
    }
    void OnTestProgramEnd(const ::testing::UnitTest& run) override {
        TestScratchDirs().Finish(run.Failed(), std::cout);
    }
};

// Appended before main runs; GoogleTest owns the listener.
[[maybe_unused]] const bool ListenerAdded = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new ScratchDirListener);
    return true;
}();

}  // namespace

void ScratchDirRegistry::Add(const std::string& dir) { pending.push_back(dir); }

void ScratchDirRegistry::Finish(bool failed, std::ostream& out) {
    std::error_code error;
    for (const std::string& dir : pending) {
        if (failed) {
            out << "Scratch directory kept: " << dir << std::endl;
            continue;
        }
        if (Contains(fs::path(dir), fs::current_path(error))) fs::current_path(StartDir, error);
        fs::remove_all(dir, error);
    }
    pending.clear();
}

ScratchDirRegistry& TestScratchDirs() {
    static ScratchDirRegistry registry;
    return registry;
}

std::string MakeScratchDir() {
    std::error_code error;
    fs::path parent = fs::temp_directory_path(error);
    if (error) parent = "/tmp";
    std::string pattern = (parent / "korvalent-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return parent.string();
    TestScratchDirs().Add(pattern);
    return pattern;
}
