#pragma once
// Runs zumr-cli as a child process with its output in files, so the tests can
// look at exit statuses and send signals the way a shell would.

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

struct CliResult {
    int exitCode = -1;  // -1 when killed by a signal
    int signal = 0;
    std::string out;
    std::string err;
};

class CliProcess {
public:
    // Starts `program` with `args`; stdin is /dev/null, stdout and stderr go
    // to files in `workDir`.
    CliProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
               const std::filesystem::path& workDir);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    void Signal(int signal);
    // Waits for the end, at most `limit` (then kills it and reports the kill).
    CliResult Wait(std::chrono::seconds limit = std::chrono::seconds(120));

private:
    pid_t pid_ = -1;
    std::filesystem::path outFile_;
    std::filesystem::path errFile_;
};

// Starts and waits.
CliResult RunCli(const std::filesystem::path& program, const std::vector<std::string>& args,
                 const std::filesystem::path& workDir);
