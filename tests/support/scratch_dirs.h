// Test support: the scratch directories a test makes are removed when the
// test ends, and kept, with their paths printed, when it fails, so that the
// files of a failure can be studied. They are made under TMPDIR.
#pragma once

#include <ostream>
#include <string>
#include <vector>

class ScratchDirRegistry {
public:
    void Add(const std::string& dir);
    // Ends the directories added since the last call: removed, or, when
    // failed, kept and named on out.
    void Finish(bool failed, std::ostream& out);
    const std::vector<std::string>& Pending() const { return pending; }

private:
    std::vector<std::string> pending;
};

// The registry of the test run: a GoogleTest listener finishes it after
// every test, and once more at the end of the run for directories made
// outside any test.
ScratchDirRegistry& TestScratchDirs();

// A fresh empty directory "korvalent-test-XXXXXX" under TMPDIR (or /tmp),
// registered with TestScratchDirs.
std::string MakeScratchDir();
