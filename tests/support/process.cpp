#include "process.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>

namespace lastest {

namespace {

// Forks; the child writes its standard output into a pipe, changes to `cwd` and runs `child`,
// which must not return. The parent collects the output and the exit status.
ProcessResult run_forked(const std::string &cwd, const std::function<void()> &child) {
    std::fflush(stdout);  // nothing buffered here may be written twice
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        if (chdir(cwd.c_str()) != 0) _exit(127);
        child();
        _exit(127);
    }
    close(fds[1]);
    ProcessResult result{{}, -1};
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(fds[0], chunk, sizeof chunk);
        if (n <= 0) break;
        result.out.append(chunk, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    return result;
}

// Executes `program`, as user and group `id` when one is given.
ProcessResult run(const std::string &program, const std::vector<std::string> &args,
                  const std::string &cwd,
                  const std::vector<std::pair<std::string, std::string>> &env,
                  std::optional<unsigned> id) {
    return run_forked(cwd, [&] {
        if (id && (setgroups(0, nullptr) != 0 || setgid(*id) != 0 || setuid(*id) != 0)) {
            _exit(126);
        }
        for (const auto &[name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(program.c_str()));
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
    });
}

}  // namespace

ProcessResult run_process(const std::string &program, const std::vector<std::string> &args,
                          const std::string &cwd,
                          const std::vector<std::pair<std::string, std::string>> &env) {
    return run(program, args, cwd, env, std::nullopt);
}

ProcessResult run_in_child(const std::function<void()> &body, const std::string &cwd) {
    return run_forked(cwd, [&] {
        body();
        std::exit(0);
    });
}

ProcessResult run_quillfen(const std::vector<std::string> &args, const std::string &cwd,
                           const std::vector<std::pair<std::string, std::string>> &env) {
    return run(QUILLFEN_PATH, args, cwd, env, std::nullopt);
}

ProcessResult run_quillfen_as(unsigned id, const std::vector<std::string> &args,
                              const std::string &cwd) {
    return run(QUILLFEN_PATH, args, cwd, {}, id);
}

}  // namespace lastest
