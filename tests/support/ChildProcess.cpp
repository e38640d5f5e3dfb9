#include "support/ChildProcess.h"

#include <sstream>

#include <sys/prctl.h>
#include <unistd.h>

#include <QStringList>
#include <csignal>
#include <thread>

#include "support/Files.h"

using std::chrono::milliseconds;

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const QProcessEnvironment& environment, const std::string& logPath)
    : logPath_(logPath) {
    QStringList arguments;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        arguments << QString::fromStdString(argv[i]);
    }
    process_.setProgram(QString::fromStdString(argv.at(0)));
    process_.setArguments(arguments);
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setStandardInputFile(QProcess::nullDevice());
    if (!logPath.empty()) {
        process_.setStandardOutputFile(QString::fromStdString(logPath), QIODevice::Append);
    }
    // A test that dies without its destructors must not leave processes behind.
    process_.setChildProcessModifier([parent = getpid()] {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
    });
    process_.start();
    if (process_.waitForStarted()) {
        pid_ = static_cast<pid_t>(process_.processId());
    } else {
        output_ = "cannot start " + argv[0] + ": " + process_.errorString().toStdString();
    }
}

ChildProcess::~ChildProcess() {
    kill();
}

void ChildProcess::noteExit() {
    if (!exit_ && started()) {
        exit_ = process_.exitStatus() == QProcess::NormalExit ? process_.exitCode()
                                                              : 128 + process_.exitCode();
    }
}

bool ChildProcess::running() {
    if (exit_ || !started()) {
        return false;
    }
    // A zero wait also takes in what the process has written, so its pipe never fills.
    if (process_.state() == QProcess::NotRunning || process_.waitForFinished(0)) {
        noteExit();
        return false;
    }
    return true;
}

std::optional<int> ChildProcess::waitExit(milliseconds timeout) {
    if (running() && process_.waitForFinished(static_cast<int>(timeout.count()))) {
        noteExit();
    }
    return exit_;
}

void ChildProcess::signal(int signo) {
    if (running()) {
        ::kill(pid_, signo);
    }
}

void ChildProcess::kill() {
    if (running()) {
        process_.kill();
        process_.waitForFinished(-1);
        noteExit();
    }
}

std::string ChildProcess::log() const {
    if (!logPath_.empty()) {
        return readBytes(logPath_);
    }
    if (process_.state() != QProcess::NotRunning) {
        process_.waitForReadyRead(0);
    }
    output_ += process_.readAll().toStdString();
    return output_;
}

CommandResult runCommand(const std::vector<std::string>& argv,
                         const QProcessEnvironment& environment, milliseconds timeout) {
    ChildProcess command(argv, environment);
    const std::optional<int> status = command.waitExit(timeout);
    if (!status) {
        command.kill();
    }
    return {status.value_or(-1), command.log()};
}

bool waitUntil(const std::function<bool()>& condition, milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    return true;
}

std::string waitForDisplayNumber(ChildProcess& server, std::chrono::milliseconds timeout) {
    std::string number;
    const auto reported = [&] {
        std::istringstream lines(server.log());
        for (std::string line; std::getline(lines, line) && !lines.eof();) {
            if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) {
                number = line;
                return true;
            }
        }
        return false;
    };
    waitUntil([&] { return reported() || !server.running(); }, timeout);
    return number;
}
