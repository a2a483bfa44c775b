#include "child_process.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace bench {

std::string describe_failure(const ChildRun &run) {
    if (run.signal != 0) return "signal " + std::to_string(run.signal);
    return "exit status " + std::to_string(run.exit_status);
}

ChildRun run_child(const std::vector<std::string> &argv, bool quiet_stderr) {
    if (argv.empty()) throw std::runtime_error("no program to run");
    std::vector<char *> args;
    for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    const int null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null_fd < 0) throw std::runtime_error("cannot open /dev/null");

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls between fork and exec.
        dup2(null_fd, STDIN_FILENO);
        dup2(null_fd, STDOUT_FILENO);
        if (quiet_stderr) dup2(null_fd, STDERR_FILENO);
        execvp(args[0], args.data());
        _exit(127);
    }
    if (pid < 0) {
        close(null_fd);
        throw std::runtime_error(std::string("cannot fork: ") + std::strerror(errno));
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            close(null_fd);
            throw std::runtime_error(std::string("cannot wait for a child: ") +
                                     std::strerror(errno));
        }
    }
    const auto end = std::chrono::steady_clock::now();
    close(null_fd);

    ChildRun run;
    run.seconds = std::chrono::duration<double>(end - start).count();
    run.max_rss_kib = usage.ru_maxrss;
    if (WIFEXITED(status)) {
        run.exit_status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        run.signal = WTERMSIG(status);
    }
    return run;
}

}  // namespace bench
