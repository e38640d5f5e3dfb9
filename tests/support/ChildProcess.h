#pragma once

#include <sys/types.h>

#include <QProcess>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A process a test starts: through QProcess, with the environment it is given. Its output
// (stdout and stderr together) goes to `logPath`, or is kept in memory when that is empty. The
// destructor kills it (SIGKILL, by PID) if it still runs; should the test process die without
// destructors, the kernel kills it.
class ChildProcess {
  public:
    ChildProcess(const std::vector<std::string>& argv, const QProcessEnvironment& environment,
                 const std::string& logPath = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    bool running();
    // The exit status once the process has ended within `timeout`: its exit code, or 128 plus the
    // signal that ended it.
    std::optional<int> waitExit(std::chrono::milliseconds timeout);
    void signal(int signo);
    // SIGKILL, then waits for the end.
    void kill();
    // Its output so far: the log file, or what was kept in memory.
    std::string log() const;

  private:
    void noteExit();

    mutable QProcess process_;
    mutable std::string output_;
    std::string logPath_;
    pid_t pid_ = -1;
    std::optional<int> exit_;
};

struct CommandResult {
    int status = -1;  // exit code, 128 + signal, or -1 when it did not finish in time
    std::string output;
};

// Runs a short command to its end, output captured; killed at `timeout`.
CommandResult runCommand(const std::vector<std::string>& argv,
                         const QProcessEnvironment& environment,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Waits for an X server started with `-displayfd 1` to write its display number on a line of
// its own (among whatever it says on stderr), which it does once it accepts connections. The
// number, or empty when the server ended or `timeout` passed first.
std::string waitForDisplayNumber(ChildProcess& server, std::chrono::milliseconds timeout);

// Polls `condition` every few milliseconds until it holds or `timeout` passes; true if it held.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);
