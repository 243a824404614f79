#pragma once
// Child processes for the command-line benchmarks: run one to its end and
// keep its wall time, CPU time and peak memory.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/spawn_child.h"

struct ChildRun {
    int exitCode = -1;
    double seconds = 0;
    double cpuSeconds = 0;  // user and system
    long maxRssKib = 0;
};

// Runs a program to its end with its output sent to `log`.
inline ChildRun Spawn(const std::vector<std::string>& args, const std::filesystem::path& log)
{
    ChildRun run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = SpawnChild(args, log, {}, true);
    if (pid < 0)
        return run;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    run.maxRssKib = usage.ru_maxrss;
    return run;
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

inline bool HaveProgram(const char* name)
{
    const std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// A value for a curl config file.
inline std::string Quote(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}
