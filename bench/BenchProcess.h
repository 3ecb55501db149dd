// Benchmark processes: commands started with their output thrown away, and their CPU time.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

// Starts argv (looked up on PATH) with output to /dev/null and extra "NAME=value" environment
// entries. Returns -1 when it could not start.
inline pid_t StartQuiet(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {})
{
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e)
        envStrings.emplace_back(*e);
    envStrings.insert(envStrings.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (std::string& e : envStrings)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> copy = args;
    std::vector<char*> argv;
    for (std::string& a : copy)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The rounds of the encoder benchmarks: TW_ENCODER_BENCH_ROUNDS when it is a positive number, else 3.
inline int EncoderBenchRounds()
{
    const char* asked = std::getenv("TW_ENCODER_BENCH_ROUNDS");
    return asked && std::atoi(asked) > 0 ? std::atoi(asked) : 3;
}

// The CPU time (user + system) of a rusage record.
inline double CpuSeconds(const rusage& usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Waits for the child; adds its CPU time to cpu. False when it did not start or failed.
inline bool WaitQuiet(pid_t pid, double* cpu = nullptr)
{
    if (pid <= 0)
        return false;
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (cpu)
        *cpu += CpuSeconds(usage);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
