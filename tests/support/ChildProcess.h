// SPDX-License-Identifier: MIT
// A child program started from an argument vector, its standard output read
// through a pipe. Header-only, so that benchmarks can use it too.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace quarnel::test {

class ChildProcess {
  public:
    // Starts argv[0] (a path) with the others as arguments; standard error
    // is inherited.
    explicit ChildProcess(const std::vector<std::string>& argv) {
        int pipeEnds[2];
        if (::pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        const int spawned =
            ::posix_spawn(&pid_, argv.at(0).c_str(), &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeEnds[1]);
        output_ = pipeEnds[0];
        if (spawned != 0) {
            ::close(output_);
            throw std::runtime_error("cannot start " + argv.at(0));
        }
    }

    ~ChildProcess() {
        for (int signal : {SIGTERM, SIGKILL}) {
            if (!exited_ && ::kill(pid_, signal) == 0) Wait(std::chrono::seconds(10));
        }
        ::close(output_);
    }

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of output without its line end; nullopt at the end of
    // the output or when none came in time.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        size_t end;
        while ((end = buffer_.find('\n')) == std::string::npos) {
            if (!Fill(deadline)) return std::nullopt;
        }
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        return line;
    }

    // Everything until the output ends or the time is up.
    std::string ReadAll(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (Fill(deadline)) {
        }
        return std::exchange(buffer_, {});
    }

    // The exit status, or nullopt when the child has not ended in time
    // (or ended by a signal).
    std::optional<int> Wait(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            int status = 0;
            const pid_t done = ::waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                exited_ = true;
                if (WIFEXITED(status)) status_ = WEXITSTATUS(status);
                break;
            }
            if (done < 0 || std::chrono::steady_clock::now() >= deadline) break;
            ::usleep(5000);
        }
        return exited_ ? status_ : std::nullopt;
    }

    // Asks the child to end with SIGTERM; its exit status as Wait gives it.
    std::optional<int> Terminate(std::chrono::milliseconds timeout) {
        if (!exited_) ::kill(pid_, SIGTERM);
        return Wait(timeout);
    }

    pid_t Pid() const { return pid_; }

  private:
    bool Fill(std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd readable{output_, POLLIN, 0};
        if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0) return false;
        char chunk[4096];
        const ssize_t count = ::read(output_, chunk, sizeof chunk);
        if (count <= 0) return false;
        buffer_.append(chunk, static_cast<size_t>(count));
        return true;
    }

    pid_t pid_ = 0;
    int output_ = -1;
    std::string buffer_;
    bool exited_ = false;
    std::optional<int> status_;
};

}  // namespace quarnel::test
