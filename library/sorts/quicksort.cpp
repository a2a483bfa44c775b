// Index-carrying quicksorts: the eight exported routines sort with one procedure
// (quicksort_core.h), in the comparison version of the processor it runs on, bound when the
// library is loaded.
#include <cstdint>

#include "Varnoke_LiDAR.h"
#include "cpu_features.h"
#include "quicksort_core.h"

namespace {

namespace lanes = varnoke::sort_lanes;
using varnoke::quicksort::sort_range;

#if defined(VARNOKE_SORT_SSE2)
using Baseline = lanes::Sse2;
#else
using Baseline = lanes::Portable;
#endif

template <typename Key>
void sort_baseline(Key *p, int32_t left, int32_t right, int32_t *p_ind) {
    sort_range<Baseline>(p, left, right, p_ind);
}

template <typename Key>
using SortForm = void(Key *, int32_t, int32_t, int32_t *);

#if defined(VARNOKE_SORT_AVX2) && defined(VARNOKE_LOAD_TIME_DISPATCH)
template <typename Key>
[[gnu::target("avx2")]] void sort_avx2(Key *p, int32_t left, int32_t right, int32_t *p_ind) {
    sort_range<lanes::Avx2>(p, left, right, p_ind);
}

extern "C" VARNOKE_RESOLVER SortForm<int32_t> *varnoke_resolve_sort_int32() {
    return varnoke::cpu::has_avx2() ? sort_avx2<int32_t> : sort_baseline<int32_t>;
}
extern "C" VARNOKE_RESOLVER SortForm<double> *varnoke_resolve_sort_double() {
    return varnoke::cpu::has_avx2() ? sort_avx2<double> : sort_baseline<double>;
}

// Bound when the library is loaded to the comparison version of the processor.
void sort_range_of(int32_t *p, int32_t left, int32_t right, int32_t *p_ind)
    __attribute__((ifunc("varnoke_resolve_sort_int32")));
void sort_range_of(double *p, int32_t left, int32_t right, int32_t *p_ind)
    __attribute__((ifunc("varnoke_resolve_sort_double")));
#else
template <typename Key>
void sort_range_of(Key *p, int32_t left, int32_t right, int32_t *p_ind) {
    sort_baseline(p, left, right, p_ind);
}
#endif

template <typename Key>
void sort(Key *p, int32_t left, int32_t right, int32_t *p_ind) {
    if (left >= right) return;
    sort_range_of(p, left, right, p_ind);
}

}  // namespace

// The depth budget of the parallel flavour decides only which worker sorts which part, and every
// worker gives the same arrangement on the calling thread: all eight share one sort.
extern "C" {

void l_quicksort(int32_t *p, int32_t count, int32_t *p_ind) {
    if (count > 1) sort(p, 0, count - 1, p_ind);
}

void l_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind) {
    sort(p, left, right, p_ind);
}

// The library's own sort, called directly: a program's own l_quicksort must not take its place.
void l_parallel_quicksort(int32_t *p, int32_t count, int32_t *p_ind) {
    if (count > 1) sort(p, 0, count - 1, p_ind);
}

void l_parallel_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind, int32_t /*deep*/) {
    sort(p, left, right, p_ind);
}

void d_quicksort(double *p, int32_t count, int32_t *p_ind) {
    if (count > 1) sort(p, 0, count - 1, p_ind);
}

void d_qs(double *p, int32_t left, int32_t right, int32_t *p_ind) {
    sort(p, left, right, p_ind);
}

void d_parallel_quicksort(double *p, int32_t count, int32_t *p_ind) {
    if (count > 1) sort(p, 0, count - 1, p_ind);
}

void d_parallel_qs(double *p, int32_t left, int32_t right, int32_t *p_ind, int32_t /*deep*/) {
    sort(p, left, right, p_ind);
}

}  // extern "C"
