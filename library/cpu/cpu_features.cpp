#include "cpu_features.h"

namespace varnoke::cpu {

#if defined(VARNOKE_LOAD_TIME_DISPATCH)
// __builtin_cpu_init must come first in a resolver: the run-time library's own constructor,
// which would otherwise fill in the answers, has not run yet.
bool has_sse41() noexcept {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse4.1");
}

bool has_avx2() noexcept {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
#endif

}  // namespace varnoke::cpu
