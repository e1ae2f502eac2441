#pragma once

// Running the project's programs as separate processes, the way a user starts them: wall time
// and peak memory of each run.
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

// A finished child process: wall time and peak resident memory.
struct ProcessRun
{
    double Seconds = 0;
    double PeakBytes = 0;
    int ExitCode = -1;
};

// Runs a program with standard input from a file (or nothing), standard output and error
// discarded, and this process's environment with the given NAME=VALUE settings added. The
// peak memory comes from /usr/bin/time when it is there: a child's own figure would include
// this process's, which it inherits on the way to its program.
inline ProcessRun RunProcess(std::vector<std::string> arguments, const std::string &input = {},
    const std::vector<std::string> &settings = {})
{
    static const QTemporaryDir scratch;
    const std::string peakFile = scratch.filePath(QStringLiteral("peak")).toStdString();
    const bool measured = QFileInfo::exists(QStringLiteral("/usr/bin/time"));
    if (measured)
        arguments.insert(arguments.begin(), {"/usr/bin/time", "-f", "%M", "-o", peakFile});
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(
        &actions, 0, input.empty() ? "/dev/null" : input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (char **variable = environ; *variable; ++variable)
        envp.push_back(*variable);
    for (const std::string &setting : settings)
        envp.push_back(const_cast<char *>(setting.c_str()));
    envp.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    ProcessRun run;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.Seconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        QFile peak(QString::fromStdString(peakFile));
        if (measured && peak.open(QIODevice::ReadOnly))
            run.PeakBytes = peak.readAll().trimmed().toDouble() * 1024.0;
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

// A program of the build, beside the benchmarks' folder (build/bin/NAME).
inline std::string ProgramPath(const char *name)
{
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path() / "bin" / name).string();
}
