#pragma once
// Starts a program as a shell would, with no input and its output in files,
// for the tests and benchmarks that run zumr-cli (and curl) as a user does.

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

// The child's id, or -1 when it could not be started. `program` is looked up
// in PATH when it holds no "/". An empty `err` sends errors to `out`;
// `append` keeps what `out` already holds.
inline pid_t SpawnChild(std::vector<std::string> args, const std::filesystem::path& out,
                        const std::filesystem::path& err = {}, bool append = false)
{
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC), 0644);
    if (err.empty())
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    else
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}
