// What the processor offers beyond its architecture's baseline, asked in one place.
//
// The vector forms of the point tally and of the sorts are bound once, when the library is
// loaded: each is a GNU indirect function whose resolver asks these questions, so a call goes
// straight to its form, with no lock, flag or static on its path. Where the system has no
// indirect functions (Windows, and builds for other processors), each form is fixed when the
// library is built: the baseline of the target.
#ifndef VARNOKE_CPU_FEATURES_H
#define VARNOKE_CPU_FEATURES_H

#if defined(__x86_64__) && defined(__ELF__) && defined(__linux__)
#define VARNOKE_LOAD_TIME_DISPATCH 1
#endif

// A resolver runs while the library is being loaded, before any constructor, the sanitizers'
// start-up included: neither it nor what it calls may be instrumented.
// ThreadSanitizer instruments function entry even under no_sanitize("thread"); clang's
// disable_sanitizer_instrumentation drops that too.
#if defined(__clang__)
#define VARNOKE_RESOLVER                                                       \
    __attribute__((no_sanitize("address", "undefined", "coverage", "thread"))) \
    __attribute__((disable_sanitizer_instrumentation)) __attribute__((used))
#else
#define VARNOKE_RESOLVER \
    __attribute__((no_sanitize("address", "undefined", "thread"))) __attribute__((used))
#endif

namespace varnoke::cpu {

#if defined(VARNOKE_LOAD_TIME_DISPATCH)
// Callable from a resolver.
VARNOKE_RESOLVER bool has_sse41() noexcept;
VARNOKE_RESOLVER bool has_avx2() noexcept;
#endif

}  // namespace varnoke::cpu

#endif
