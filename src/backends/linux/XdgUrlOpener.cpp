// SPDX-License-Identifier: MIT
// Opens URLs with xdg-open, started directly from PATH with an argument
// vector, so that no shell ever reads the URL.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/UrlOpener.h"

extern char** environ;

namespace quarnel::platform {

namespace {

std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    const std::string folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(start, end - start);
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

class XdgUrlOpener : public UrlOpener {
  public:
    explicit XdgUrlOpener(std::chrono::milliseconds waitLimit) : waitLimit_(waitLimit) {}

    int32_t ShellExecuteA(const std::string& operation, const std::string& file, const std::string&,
                          const std::string& directory, int32_t) override {
        if (!operation.empty() && operation != "open") return SE_ERR_NOASSOC;
        // xdg-open would take a leading "-" for an option of its own.
        if (file.empty() || file[0] == '-') return SE_ERR_FNF;
        const std::string program = FindOnPath("xdg-open");
        if (program.empty()) return SE_ERR_FNF;

        posix_spawn_file_actions_t actions;
        if (posix_spawn_file_actions_init(&actions) != 0) return SE_ERR_OOM;
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());

        std::vector<char*> argv{const_cast<char*>("xdg-open"), const_cast<char*>(file.c_str()),
                                nullptr};
        pid_t pid = 0;
        const int spawned =
            posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return SE_ERR_OOM;
        return AwaitOpener(pid);
    }

  private:
    int32_t AwaitOpener(pid_t pid) const {
        const auto deadline = std::chrono::steady_clock::now() + waitLimit_;
        for (;;) {
            int status = 0;
            const pid_t done = waitpid(pid, &status, WNOHANG);
            if (done == pid) {
                return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? SE_OPENED : SE_ERR_NOASSOC;
            }
            if (done < 0) return SE_ERR_NOASSOC;
            if (std::chrono::steady_clock::now() >= deadline) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        // Some openers keep running while the browser shows the page: count
        // that as opened and collect the process when it ends.
        std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
        return SE_OPENED;
    }

    std::chrono::milliseconds waitLimit_;
};

}  // namespace

std::shared_ptr<UrlOpener> SystemUrlOpener(std::chrono::milliseconds waitLimit) {
    return std::make_shared<XdgUrlOpener>(waitLimit);
}

}  // namespace quarnel::platform
