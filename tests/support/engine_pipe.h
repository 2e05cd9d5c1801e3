// Test support: a conversation with the built engine over two pipes, the
// way a GUI holds one: send a line, wait for a reply, send more. It may also
// run on a terminal, the way a person at the console meets it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// What the engine's standard input, output and error are.
enum class EngineInput {
    Pipe,      // two pipes, as a GUI starts it
    Terminal,  // a pseudo-terminal (no echo, line feeds kept), as a console
};

struct EnginePipe {
    pid_t pid = -1;
    int toEngine = -1;
    int fromEngine = -1;
    std::string pending;             // output read but not yet split into lines
    std::vector<std::string> lines;  // every whole line the engine printed so far

    // Starts the engine in workDir (a fresh scratch directory when empty).
    explicit EnginePipe(const std::string& workDir = "", EngineInput input = EngineInput::Pipe);
    ~EnginePipe();
    EnginePipe(const EnginePipe&) = delete;
    EnginePipe& operator=(const EnginePipe&) = delete;

    // Writes text and a line feed.
    void Send(const std::string& line);
    // Ends the engine's standard input (on a terminal: the end-of-file key).
    void CloseInput();

    // Reads until a line beginning with prefix arrives after the line that
    // the last successful WaitFor found (returned in *line), or timeoutMs
    // pass; false on time-out or when the engine's output ended.
    bool WaitFor(const std::string& prefix, int timeoutMs, std::string* line = nullptr);
    // Reads whatever arrives within timeoutMs.
    void Drain(int timeoutMs);

    // Lines printed so far that begin with prefix.
    int Count(const std::string& prefix) const;
    // Index of the first line at or after from that begins with prefix, or -1.
    int Find(const std::string& prefix, int from = 0) const;

    // Waits for the process to end: its exit code, or -1 when it had to be
    // killed after timeoutMs or died by a signal.
    int WaitExit(int timeoutMs);

    // The whole conversation so far, for failure messages.
    std::string Transcript() const;

private:
    // One read of at most timeoutMs; false when the output has ended.
    bool ReadSome(int timeoutMs);
    bool StartOnPipes(const std::string& dir);
    bool StartOnTerminal(const std::string& dir);
    size_t seen = 0;  // lines before this index were looked at by WaitFor
    bool onTerminal = false;
    bool exited = false;
    int exitCode = -1;
};
