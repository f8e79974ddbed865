#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <QByteArray>

// One run of a program in a child process, for benchmarks that measure a
// child's own peak memory (ru_maxrss) and CPU time, start-up included.
struct ChildRun
{
    bool ok = false;     // exited normally with status 0
    std::string output;  // what it printed on stdout
    long peakMb = 0;
    double cpuMs = 0;    // user and system time
};

// args: the program's path, then its arguments.
inline ChildRun runInChild(std::vector<QByteArray> args)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        std::vector<char *> argv;
        for (QByteArray &b : args)
            argv.push_back(b.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    ChildRun run;
    char buffer[256];
    for (ssize_t got; (got = read(fds[0], buffer, sizeof buffer)) > 0;)
        run.output.append(buffer, size_t(got));
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.peakMb = usage.ru_maxrss / 1024;
    run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    return run;
}
