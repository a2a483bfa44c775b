#include "signals.h"

#include <atomic>
#include <csignal>

#if defined(_WIN32)
#include <io.h>
#else
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace varnoke_las {

namespace {

// Set by the handler, read by every thread: lock-free, so a handler may set it.
std::atomic<int> received{0};
std::atomic<bool> output_failed{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

extern "C" void on_stop_signal(int signo) {
    int none = 0;
    received.compare_exchange_strong(none, signo);
}

#if !defined(_WIN32)
sigset_t stop_set() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}
#endif

}  // namespace

void catch_stop_signals() {
#if defined(_WIN32)
    std::signal(SIGINT, on_stop_signal);
    std::signal(SIGTERM, on_stop_signal);
#else
    struct sigaction action = {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (const int signo : {SIGINT, SIGTERM, SIGHUP}) sigaction(signo, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

int stop_signal() {
    return received.load();
}

void stop_for_output() {
    output_failed.store(true);
}

bool stop_requested() {
    return received.load() != 0 || output_failed.load();
}

int library_stop(void *) {
    return stop_requested() ? 1 : 0;
}

#if defined(_WIN32)
StopSignalsBlocked::StopSignalsBlocked() = default;
StopSignalsBlocked::~StopSignalsBlocked() = default;
#else
StopSignalsBlocked::StopSignalsBlocked() {
    const sigset_t set = stop_set();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}
StopSignalsBlocked::~StopSignalsBlocked() {
    const sigset_t set = stop_set();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}
#endif

bool write_all(const std::string &text) {
    const char *at = text.data();
    std::size_t left = text.size();
    while (left > 0) {
#if defined(_WIN32)
        const int wrote = _write(1, at, static_cast<unsigned>(left));
        if (wrote <= 0) return false;
#else
        const ssize_t wrote = ::write(1, at, left);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
#endif
        at += wrote;
        left -= static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace varnoke_las
