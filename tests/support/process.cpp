#include "process.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#if defined(_WIN32)
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#else
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace lastest {

namespace {

#if defined(_WIN32)

// Names of the environment compare without regard to case.
struct NameLess {
    bool operator()(const std::string &a, const std::string &b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) {
                                                return std::toupper(static_cast<unsigned char>(x)) <
                                                       std::toupper(static_cast<unsigned char>(y));
                                            });
    }
};

// This process's environment with `env` added, as the block CreateProcess takes.
std::vector<char> environment_block(const std::vector<std::pair<std::string, std::string>> &env) {
    std::map<std::string, std::string, NameLess> variables;
    char *const strings = GetEnvironmentStringsA();
    for (const char *entry = strings; *entry != '\0'; entry += std::strlen(entry) + 1) {
        // Entries such as "=C:=C:\dir" have an empty name; their first '=' is part of the name.
        const char *const equals = std::strchr(entry + 1, '=');
        if (equals == nullptr) continue;
        variables[std::string(entry, equals)] = equals + 1;
    }
    FreeEnvironmentStringsA(strings);
    for (const auto &[name, value] : env) variables[name] = value;
    std::vector<char> block;
    for (const auto &[name, value] : variables) {
        const std::string entry = name + "=" + value;
        block.insert(block.end(), entry.begin(), entry.end());
        block.push_back('\0');
    }
    block.push_back('\0');
    return block;
}

// One argument written so that the C runtime's command-line parser reads it back unchanged:
// quoted, with the backslashes before a quote, and the quote itself, escaped.
std::string quote_argument(const std::string &arg) {
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, '\\');
    quoted += '"';
    return quoted;
}

// An inheritable copy of one of this process's standard handles, or none.
HANDLE inheritable(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    HANDLE copy = nullptr;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
        return nullptr;
    }
    return copy;
}

// Starts `program` with `args` in `cwd`, its standard output a pipe that is read to the end, and
// waits for it. The status is the low 8 bits of the exit code, as a POSIX shell shows it: a
// process that calls exit(-1) ends with 255.
ProcessResult run(const std::string &program, const std::vector<std::string> &args,
                  const std::string &cwd,
                  const std::vector<std::pair<std::string, std::string>> &env) {
    std::fflush(stdout);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherit, 0) ||
        !SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0)) {
        throw std::runtime_error("CreatePipe failed");
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritable(STD_INPUT_HANDLE);
    startup.hStdOutput = write_end;
    startup.hStdError = inheritable(STD_ERROR_HANDLE);

    const std::string application = std::filesystem::path(program).make_preferred().string();
    std::string command_line = quote_argument(application);
    for (const std::string &arg : args) {
        command_line += ' ';
        command_line += quote_argument(arg);
    }
    std::vector<char> command(command_line.begin(), command_line.end());
    command.push_back('\0');
    std::vector<char> environment = environment_block(env);

    // Under load wine now and then fails a process start with ERROR_INTERNAL_ERROR; such a start
    // is tried again.
    PROCESS_INFORMATION process{};
    BOOL started = FALSE;
    DWORD error = 0;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        if (attempt > 0) Sleep(200);
        started = CreateProcessA(application.c_str(), command.data(), nullptr, nullptr, TRUE, 0,
                                 environment.data(), cwd.c_str(), &startup, &process);
        error = started ? 0 : GetLastError();
        if (error != ERROR_INTERNAL_ERROR) break;
    }
    CloseHandle(write_end);
    if (startup.hStdInput != nullptr) CloseHandle(startup.hStdInput);
    if (startup.hStdError != nullptr) CloseHandle(startup.hStdError);
    if (!started) {
        CloseHandle(read_end);
        throw std::runtime_error("cannot start " + application + ": error " +
                                 std::to_string(error));
    }
    CloseHandle(process.hThread);

    ProcessResult result{{}, -1};
    char chunk[4096];
    DWORD n = 0;
    while (ReadFile(read_end, chunk, sizeof chunk, &n, nullptr) && n > 0)
        result.out.append(chunk, n);
    CloseHandle(read_end);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    result.status = static_cast<int>(code & 0xFF);
    return result;
}

#else

// Replaces this process with `program`, given `args` and with `env` added to the environment. A
// cross build whose programs run under a user-mode emulator (TOOL_EMULATOR, its words separated
// by '|') starts them through the emulator, and hands LD_PRELOAD to the program through the
// emulator's -E option: the emulator's own dynamic loader must not try to preload a library of
// the other architecture.
void exec_program(const std::string &program, const std::vector<std::string> &args,
                  const std::vector<std::pair<std::string, std::string>> &env) {
    std::vector<std::string> words;
#if defined(TOOL_EMULATOR)
    const std::string emulator = TOOL_EMULATOR;
    for (std::size_t start = 0;;) {
        const std::size_t end = emulator.find('|', start);
        words.push_back(emulator.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    for (const auto &[name, value] : env) {
        if (name == "LD_PRELOAD") words.insert(words.end(), {"-E", name + "=" + value});
    }
#endif
    const bool emulated = !words.empty();
    for (const auto &[name, value] : env) {
        if (!emulated || name != "LD_PRELOAD") setenv(name.c_str(), value.c_str(), 1);
    }
    words.push_back(program);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
}

// Executes `program` in a child process, in directory `cwd`, and collects what it writes to
// standard output and its exit status; with `bound_permissions`, without the capability of
// overriding file permissions, which root then loses for good at the exec.
ProcessResult run(const std::string &program, const std::vector<std::string> &args,
                  const std::string &cwd,
                  const std::vector<std::pair<std::string, std::string>> &env,
                  bool bound_permissions = false) {
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
        if (bound_permissions && prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0) {
            _exit(126);
        }
        exec_program(program, args, env);
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

#endif

}  // namespace

ProcessResult run_quillfen(const std::vector<std::string> &args, const std::string &cwd,
                           const std::vector<std::pair<std::string, std::string>> &env) {
    return run(QUILLFEN_PATH, args, cwd, env);
}

ProcessResult run_varnoke_las(const std::vector<std::string> &args, const std::string &cwd,
                              const std::vector<std::pair<std::string, std::string>> &env) {
    return run(VARNOKE_LAS_PATH, args, cwd, env);
}

ProcessResult run_argument_check(const std::vector<std::string> &args, const std::string &cwd) {
    return run(ARGUMENT_CHECK_PATH, args, cwd, {});
}

#if !defined(_WIN32)
int start_varnoke_las(const std::vector<std::string> &args, const std::string &cwd, int in, int out,
                      int err) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int fds[3] = {in, out, err};
        for (int k = 0; k < 3; ++k) {
            if (fds[k] >= 0 && dup2(fds[k], k) < 0) _exit(126);
        }
        if (chdir(cwd.c_str()) != 0) _exit(127);
        exec_program(VARNOKE_LAS_PATH, args, {});
        _exit(127);
    }
    return pid;
}

int wait_for(int pid) {
    int wstatus = 0;
    if (waitpid(pid, &wstatus, 0) != pid) return -1;
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
}

ProcessResult run_quillfen_bound_by_permissions(const std::vector<std::string> &args,
                                                const std::string &cwd) {
    return run(QUILLFEN_PATH, args, cwd, {}, true);
}
#endif

}  // namespace lastest
