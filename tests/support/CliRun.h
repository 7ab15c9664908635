#pragma once

// Runs lumatrel-cli as the process it is and collects what it printed. For the integration
// tests only: LUMATREL_CLI_PATH names the program built beside them.

#include <gtest/gtest.h>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

struct CliRun {
    int Exit = -1;
    std::string Out;
    std::string Err;

    std::vector<std::string> OutLines() const {
        std::vector<std::string> lines;
        std::istringstream in(Out);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    bool Printed(const std::string& line) const {
        const std::vector<std::string> lines = OutLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

// The program with args, its environment this process's plus the NAME=VALUE texts given.
inline CliRun RunCli(const std::vector<std::string>& args,
                     const std::vector<std::string>& environment = {}) {
    int out[2];
    int err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    std::vector<std::string> storage = {LUMATREL_CLI_PATH};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : storage) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> envStorage = environment;
    std::vector<char*> envp;
    for (std::string& s : envStorage) {
        envp.push_back(s.data());
    }
    for (char** e = environ; *e != nullptr; ++e) {
        envp.push_back(*e);
    }
    envp.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, LUMATREL_CLI_PATH, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    CliRun run;
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << LUMATREL_CLI_PATH;
        ::close(out[0]);
        ::close(err[0]);
        return run;
    }
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.Out, &run.Err};
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP)) != 0) {
                char buffer[4096];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n <= 0) {
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                } else {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                }
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}
