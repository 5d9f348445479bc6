#pragma once

// A program run to its end with posix_spawn, its input given and its output and error
// collected. QProcess starts its children with a vfork-style clone whose child runs
// interposed library calls on the parent's memory; a thread checker's state for the
// parent's thread is changed by them and later orderings of that thread go unseen, so
// tests that serve a frame from threads of their own after running a program start
// them this way. posix_spawn's child makes only the C library's own internal calls.

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

struct SpawnedRun {
    bool started = false;
    bool finished = false; // false: it was killed after the time limit
    int exitCode = -1;     // -1 when it did not exit by itself
    QByteArray out;
    QByteArray err;
};

struct SpawnOptions {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QString workingDirectory;
    QByteArray input;
    QString stdoutFile; // standard output into this file instead of out
    int timeoutMs = 30000;
};

namespace spawned_detail {

inline std::vector<char*> pointersTo(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

inline void closeIfOpen(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace spawned_detail

inline SpawnedRun spawnAndWait(const QString& program, const QStringList& arguments,
                               const SpawnOptions& options = {})
{
    using namespace spawned_detail;
    SpawnedRun run;
    // A child that stops reading must not end the test with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);

    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0)
        return run;
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]), ::close(in[1]);
        return run;
    }
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(in[0]), ::close(in[1]), ::close(out[0]), ::close(out[1]);
        return run;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    if (options.stdoutFile.isEmpty())
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, options.stdoutFile.toLocal8Bit().constData(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    if (!options.workingDirectory.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions,
                                             options.workingDirectory.toLocal8Bit().constData());

    std::vector<std::string> argv{program.toStdString()};
    for (const QString& argument : arguments)
        argv.push_back(argument.toStdString());
    std::vector<std::string> envp;
    for (const QString& entry : options.environment.toStringList())
        envp.push_back(entry.toStdString());
    std::vector<char*> argPointers = pointersTo(argv);
    std::vector<char*> envPointers = pointersTo(envp);

    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0].c_str(), &actions, nullptr, argPointers.data(),
                                    envPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]), ::close(out[1]), ::close(err[1]);
    int toChild = in[1], fromOut = out[0], fromErr = err[0];
    if (spawned != 0) {
        closeIfOpen(toChild), closeIfOpen(fromOut), closeIfOpen(fromErr);
        return run;
    }
    run.started = true;

    ::fcntl(toChild, F_SETFL, O_NONBLOCK);
    qsizetype written = 0;
    if (options.input.isEmpty())
        closeIfOpen(toChild);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeoutMs);
    while (fromOut >= 0 || fromErr >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd fds[3] = {{fromOut, POLLIN, 0}, {fromErr, POLLIN, 0}, {toChild, POLLOUT, 0}};
        if (::poll(fds, 3, static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        char buffer[4096];
        int* readers[2] = {&fromOut, &fromErr};
        QByteArray* sinks[2] = {&run.out, &run.err};
        for (int i = 0; i < 2; ++i) {
            if (*readers[i] < 0 || fds[i].revents == 0)
                continue;
            const ssize_t n = ::read(*readers[i], buffer, sizeof buffer);
            if (n > 0)
                sinks[i]->append(buffer, n);
            else if (n == 0 || errno != EINTR)
                closeIfOpen(*readers[i]);
        }
        if (toChild >= 0 && fds[2].revents != 0) {
            const ssize_t n = ::write(toChild, options.input.constData() + written,
                                      static_cast<size_t>(options.input.size() - written));
            if (n > 0)
                written += n;
            if ((n < 0 && errno != EAGAIN && errno != EINTR) || written == options.input.size())
                closeIfOpen(toChild);
        }
    }
    closeIfOpen(toChild), closeIfOpen(fromOut), closeIfOpen(fromErr);

    int status = 0;
    pid_t ended = 0;
    while (std::chrono::steady_clock::now() < deadline &&
           (ended = ::waitpid(pid, &status, WNOHANG)) == 0)
        ::usleep(2000);
    if (ended != pid) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return run;
    }
    run.finished = true;
    if (WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}
