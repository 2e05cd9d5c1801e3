#include "support/engine_process.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

EngineRun RunEngine(const std::string& input, int seconds, const std::string& workDir) {
    const std::string dir = workDir.empty() ? MakeScratchDir() : workDir;
    const std::string inputFile = dir + "/stdin.txt", outputFile = dir + "/stdout.txt";
    std::ofstream(inputFile, std::ios::binary) << input;
    const std::string command = "cd '" + dir + "' && timeout " + std::to_string(seconds) + " '" +
                                KORVALENT_EXECUTABLE + "' < stdin.txt > stdout.txt 2>&1";
    const int status = std::system(command.c_str());
    EngineRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream output(outputFile, std::ios::binary);
    std::stringstream text;
    text << output.rdbuf();
    run.output = text.str();
    return run;
}
