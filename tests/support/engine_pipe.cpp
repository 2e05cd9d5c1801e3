#include "support/engine_pipe.h"

#include <csignal>
#include <cstring>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <utmp.h>

#include "support/engine_process.h"

namespace {

long long NowMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (long long)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

EnginePipe::EnginePipe(const std::string& workDir, EngineInput input) {
    const std::string dir = workDir.empty() ? MakeScratchDir() : workDir;
    // The test itself must not die when the engine has gone.
    signal(SIGPIPE, SIG_IGN);
    onTerminal = input == EngineInput::Terminal;
    if (!(onTerminal ? StartOnTerminal(dir) : StartOnPipes(dir))) return;
    fcntl(toEngine, F_SETFD, FD_CLOEXEC);
    fcntl(fromEngine, F_SETFD, FD_CLOEXEC);
}

namespace {

// In the child: the engine in dir, or an exit code that says why not.
[[noreturn]] void ExecEngine(const std::string& dir) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    execl(KORVALENT_EXECUTABLE, KORVALENT_EXECUTABLE, static_cast<char*>(nullptr));
    _exit(127);
}

}  // namespace

bool EnginePipe::StartOnPipes(const std::string& dir) {
    int input[2], output[2];
    if (pipe(input) != 0 || pipe(output) != 0) return false;
    pid = fork();
    if (pid == 0) {
        dup2(input[0], 0);
        dup2(output[1], 1);
        dup2(output[1], 2);
        close(input[0]);
        close(input[1]);
        close(output[0]);
        close(output[1]);
        ExecEngine(dir);
    }
    close(input[0]);
    close(output[1]);
    toEngine = input[1];
    fromEngine = output[0];
    return true;
}

bool EnginePipe::StartOnTerminal(const std::string& dir) {
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return false;
    // Lines as typed (canonical input), but without their echo and with the
    // engine's line feeds left as they are, so that the output reads as
    // from a pipe.
    termios settings;
    tcgetattr(slave, &settings);
    settings.c_lflag &= ~tcflag_t(ECHO | ECHOE | ECHOK | ECHONL);
    settings.c_oflag &= ~tcflag_t(OPOST);
    tcsetattr(slave, TCSANOW, &settings);
    pid = fork();
    if (pid == 0) {
        close(master);
        // The terminal becomes the engine's controlling terminal and its
        // standard input, output and error.
        if (login_tty(slave) != 0) _exit(125);
        ExecEngine(dir);
    }
    close(slave);
    // Two descriptors of the one terminal: closing the input side does not
    // end the reading of the output.
    toEngine = master;
    fromEngine = dup(master);
    return true;
}

EnginePipe::~EnginePipe() {
    CloseInput();
    if (pid > 0 && !exited) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (fromEngine >= 0) close(fromEngine);
}

void EnginePipe::Send(const std::string& line) {
    const std::string text = line + "\n";
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = write(toEngine, text.data() + done, text.size() - done);
        if (count <= 0) return;
        done += size_t(count);
    }
}

void EnginePipe::CloseInput() {
    if (toEngine < 0) return;
    // A terminal has no end of its own: the end-of-file key at the start of
    // a line makes the engine's read return nothing, as a closed pipe does.
    if (onTerminal) {
        const ssize_t sent = write(toEngine, "\x04", 1);
        (void)sent;
    }
    close(toEngine);
    toEngine = -1;
}

bool EnginePipe::ReadSome(int timeoutMs) {
    pollfd ready = {fromEngine, POLLIN, 0};
    if (poll(&ready, 1, timeoutMs < 0 ? 0 : timeoutMs) <= 0) return true;
    char chunk[4096];
    const ssize_t count = read(fromEngine, chunk, sizeof chunk);
    if (count <= 0) return false;
    pending.append(chunk, size_t(count));
    size_t lineFeed;
    while ((lineFeed = pending.find('\n')) != std::string::npos) {
        lines.push_back(pending.substr(0, lineFeed));
        pending.erase(0, lineFeed + 1);
    }
    return true;
}

bool EnginePipe::WaitFor(const std::string& prefix, int timeoutMs, std::string* line) {
    const long long deadline = NowMs() + timeoutMs;
    for (;;) {
        for (; seen < lines.size(); seen++) {
            if (!StartsWith(lines[seen], prefix)) continue;
            if (line) *line = lines[seen];
            seen++;
            return true;
        }
        const long long left = deadline - NowMs();
        if (left <= 0) return false;
        if (!ReadSome(int(left))) {
            // The output has ended: nothing more can come.
            for (; seen < lines.size(); seen++)
                if (StartsWith(lines[seen], prefix)) {
                    if (line) *line = lines[seen];
                    seen++;
                    return true;
                }
            return false;
        }
    }
}

void EnginePipe::Drain(int timeoutMs) {
    const long long deadline = NowMs() + timeoutMs;
    for (;;) {
        const long long left = deadline - NowMs();
        if (left <= 0 || !ReadSome(int(left))) return;
    }
}

int EnginePipe::Count(const std::string& prefix) const {
    int count = 0;
    for (const std::string& text : lines) count += StartsWith(text, prefix);
    return count;
}

int EnginePipe::Find(const std::string& prefix, int from) const {
    for (size_t i = size_t(from < 0 ? 0 : from); i < lines.size(); i++)
        if (StartsWith(lines[i], prefix)) return int(i);
    return -1;
}

int EnginePipe::WaitExit(int timeoutMs) {
    if (exited) return exitCode;
    const long long deadline = NowMs() + timeoutMs;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            exited = true;
            exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            Drain(0);
            return exitCode;
        }
        const long long left = deadline - NowMs();
        if (left <= 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            exited = true;
            exitCode = -1;
            return -1;
        }
        // Keep the engine's output flowing so it never blocks on a full pipe.
        if (!ReadSome(int(left < 20 ? left : 20))) usleep(1000);
    }
}

std::string EnginePipe::Transcript() const {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text + pending;
}
