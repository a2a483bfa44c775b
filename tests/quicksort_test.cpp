// The index-carrying quicksorts: the arrangement of both arrays, compared with a plain recursive
// transcription of the partition-exchange procedure, through the exported routines and through
// the sort in each of its comparison versions, also for ranges that end at the largest position;
// and a stack that stays small on input that makes the procedure as written nest once per
// element.
#include <gtest/gtest.h>
#include <pthread.h>
#if !defined(_WIN32)
#include <sys/mman.h>
#endif

#if defined(_WIN32)
#include <windows.h>
#else
#include <setjmp.h>
#include <signal.h>
#endif

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "Varnoke_LiDAR.h"
#include "quicksort_core.h"

namespace lastest {
namespace {

// The procedure exactly as described, nested call for nested range.
template <typename Key>
void reference_qs(Key *p, int32_t left, int32_t right, int32_t *ind) {
    int32_t i = left;
    int32_t j = right;
    const Key v = p[(int64_t{left} + right) / 2];
    do {
        while (p[i] < v && i < right) i++;
        while (v < p[j] && j > left) j--;
        if (i <= j) {
            const Key key = p[i];
            p[i] = p[j];
            p[j] = key;
            const int32_t index = ind[i];
            ind[i] = ind[j];
            ind[j] = index;
            i++;
            j--;
        }
    } while (i <= j);
    if (left < j) reference_qs(p, left, j, ind);
    if (i < right) reference_qs(p, i, right, ind);
}

template <typename Key>
struct Family;
template <>
struct Family<int32_t> {
    static constexpr auto quicksort = l_quicksort;
    static constexpr auto qs = l_qs;
    static constexpr auto parallel_quicksort = l_parallel_quicksort;
    static constexpr auto parallel_qs = l_parallel_qs;
};
template <>
struct Family<double> {
    static constexpr auto quicksort = d_quicksort;
    static constexpr auto qs = d_qs;
    static constexpr auto parallel_quicksort = d_parallel_quicksort;
    static constexpr auto parallel_qs = d_parallel_qs;
};

// Each routine of a key type, called to sort positions left .. right; the entry points are
// handed the range as an array of its own. Besides the exported routines, which take the
// comparisons of the processor they run on, the sort with the portable comparisons and, on
// x86-64, with the SSE2 ones.
template <typename Key>
struct Routine {
    std::string name;
    std::function<void(Key *, int32_t, int32_t, int32_t *)> sort;
};

template <typename Key>
std::vector<Routine<Key>> routines() {
    using F = Family<Key>;
    std::vector<Routine<Key>> all = {
        {"quicksort", [](Key *p, int32_t l, int32_t r,
                         int32_t *ind) { F::quicksort(p + l, r - l + 1, ind + l); }},
        {"parallel_quicksort",
         [](Key *p, int32_t l, int32_t r, int32_t *ind) {
             F::parallel_quicksort(p + l, r - l + 1, ind + l);
         }},
        {"qs", [](Key *p, int32_t l, int32_t r, int32_t *ind) { F::qs(p, l, r, ind); }},
    };
    all.push_back({"portable lanes", [](Key *p, int32_t l, int32_t r, int32_t *ind) {
                       varnoke::quicksort::sort_range<varnoke::sort_lanes::Portable>(p, l, r, ind);
                   }});
#if defined(VARNOKE_SORT_SSE2)
    all.push_back({"sse2 lanes", [](Key *p, int32_t l, int32_t r, int32_t *ind) {
                       varnoke::quicksort::sort_range<varnoke::sort_lanes::Sse2>(p, l, r, ind);
                   }});
#endif
    for (const int32_t deep : {15, 0, -1, INT32_MIN}) {
        all.push_back({"parallel_qs budget " + std::to_string(deep),
                       [deep](Key *p, int32_t l, int32_t r, int32_t *ind) {
                           F::parallel_qs(p, l, r, ind, deep);
                       }});
    }
    return all;
}

std::vector<int32_t> iota_index(std::size_t n) {
    std::vector<int32_t> ind(n);
    for (std::size_t k = 0; k < n; ++k) ind[k] = static_cast<int32_t>(k);
    return ind;
}

// Keys compared as bit patterns, so that -0.0 and NaN payloads count.
template <typename Key>
auto bits(const std::vector<Key> &keys) {
    using Bits = std::conditional_t<sizeof(Key) == 8, uint64_t, uint32_t>;
    std::vector<Bits> out;
    for (const Key k : keys) out.push_back(std::bit_cast<Bits>(k));
    return out;
}

template <typename Key>
void expect_arrangement(const std::vector<Key> &keys, const std::vector<Key> &want_keys,
                        const std::vector<int32_t> &want_index) {
    for (const Routine<Key> &routine : routines<Key>()) {
        SCOPED_TRACE(routine.name);
        std::vector<Key> p = keys;
        std::vector<int32_t> ind = iota_index(keys.size());
        routine.sort(p.data(), 0, static_cast<int32_t>(p.size()) - 1, ind.data());
        EXPECT_EQ(bits(p), bits(want_keys));
        EXPECT_EQ(ind, want_index);
    }
}

struct Arrangement {
    std::vector<int32_t> keys, sorted, index;
};

// Arrangements worked out by hand from the procedure; the keys are small integers, so each case
// holds for both key types.
const Arrangement kArrangements[] = {
    {{}, {}, {}},
    {{7}, {7}, {0}},
    {{2, 1}, {1, 2}, {1, 0}},
    {{1, 2}, {1, 2}, {0, 1}},
    {{5, 5}, {5, 5}, {1, 0}},
    {{3, 1, 2}, {1, 2, 3}, {1, 2, 0}},
    {{4, 1, 3, 2}, {1, 2, 3, 4}, {1, 3, 2, 0}},
    {{1, 2, 1}, {1, 1, 2}, {2, 0, 1}},
    {{2, 1, 1}, {1, 1, 2}, {2, 1, 0}},
    {{1, 1, 2}, {1, 1, 2}, {1, 0, 2}},
    {{7, 3, 7, 3}, {3, 3, 7, 7}, {3, 1, 0, 2}},
    {{4, 4, 4}, {4, 4, 4}, {2, 1, 0}},
    {{4, 4, 4, 4}, {4, 4, 4, 4}, {2, 3, 0, 1}},
    {{4, 4, 4, 4, 4}, {4, 4, 4, 4, 4}, {3, 4, 2, 0, 1}},
    {{0, 1, 2, 3, 4, 5, 6, 7, 8}, {0, 1, 2, 3, 4, 5, 6, 7, 8}, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
    {{9, 8, 7, 6, 5, 4, 3, 2, 1, 0},
     {0, 1, 2, 3, 4, 5, 6, 7, 8, 9},
     {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
    {{1, -1}, {-1, 1}, {1, 0}},
};

TEST(Quicksort, ArrangementsOfSmallArrays) {
    for (const Arrangement &a : kArrangements) {
        SCOPED_TRACE(testing::PrintToString(a.keys));
        expect_arrangement(a.keys, a.sorted, a.index);
        expect_arrangement(std::vector<double>(a.keys.begin(), a.keys.end()),
                           std::vector<double>(a.sorted.begin(), a.sorted.end()), a.index);
    }
}

TEST(Quicksort, KeysAtTheLimitsOfTheirTypes) {
    const int32_t lo = INT32_MIN, hi = INT32_MAX;
    expect_arrangement<int32_t>({hi, 0, lo, -1, 1}, {lo, -1, 0, 1, hi}, {2, 3, 1, 4, 0});
    const double inf = std::numeric_limits<double>::infinity();
    expect_arrangement<double>({0.0, -0.0}, {-0.0, 0.0}, {1, 0});
    expect_arrangement<double>({inf, -inf, 0.0}, {-inf, 0.0, inf}, {1, 2, 0});
}

TEST(Quicksort, NanKeysStopBothScans) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    expect_arrangement<double>({3.0, nan, 1.0}, {1.0, nan, 3.0}, {2, 1, 0});
    expect_arrangement<double>({nan, 2.0, 1.0}, {1.0, 2.0, nan}, {2, 1, 0});
    expect_arrangement<double>({1.0, nan}, {nan, 1.0}, {1, 0});
    expect_arrangement<double>({nan, 1.0}, {1.0, nan}, {1, 0});
}

TEST(Quicksort, RangeInsideALargerArray) {
    const std::vector<int32_t> keys = {9, 8, 7, 6, 5, 4, 3};
    for (const Routine<int32_t> &routine : routines<int32_t>()) {
        SCOPED_TRACE(routine.name);
        std::vector<int32_t> p = keys;
        std::vector<int32_t> ind = iota_index(p.size());
        routine.sort(p.data(), 2, 4, ind.data());
        EXPECT_EQ(p, (std::vector<int32_t>{9, 8, 5, 6, 7, 4, 3}));
        EXPECT_EQ(ind, (std::vector<int32_t>{0, 1, 4, 3, 2, 5, 6}));
    }
}

// Address space that no access may reach: every position a 32-bit index names from its middle,
// for keys of up to eight bytes, lies in pages that can be neither read nor written.
class Untouchable {
public:
    Untouchable() {
#if defined(_WIN32)
        base_ = VirtualAlloc(nullptr, kSize, MEM_RESERVE, PAGE_NOACCESS);
#else
        base_ = mmap(nullptr, kSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (base_ == MAP_FAILED) base_ = nullptr;
#endif
    }
    ~Untouchable() {
#if defined(_WIN32)
        if (base_ != nullptr) VirtualFree(base_, 0, MEM_RELEASE);
#else
        if (base_ != nullptr) munmap(base_, kSize);
#endif
    }
    Untouchable(const Untouchable &) = delete;
    Untouchable &operator=(const Untouchable &) = delete;

    bool reserved() const {
        return base_ != nullptr;
    }
    char *middle() const {
        return static_cast<char *>(base_) + kSize / 2;
    }

private:
    static constexpr std::size_t kSize = std::size_t{1} << 36;  // 2^31 positions of 8 bytes, twice
    void *base_;
};

#if !defined(_WIN32)
sigjmp_buf *touch_return = nullptr;
const void *touched_at = nullptr;

extern "C" void stop_at_touch(int, siginfo_t *info, void *) {
    touched_at = info->si_addr;
    siglongjmp(*touch_return, 1);
}
#endif

// Runs `call` and returns the first address of untouchable pages it touched, where it was
// stopped, or null. On Windows a touch ends the test program instead.
const void *first_touch(const std::function<void()> &call) {
#if defined(_WIN32)
    call();
    return nullptr;
#else
    sigjmp_buf back;
    struct sigaction stop = {};
    struct sigaction saved = {};
    stop.sa_sigaction = stop_at_touch;
    stop.sa_flags = SA_SIGINFO;
    sigemptyset(&stop.sa_mask);
    touched_at = nullptr;
    touch_return = &back;
    sigaction(SIGSEGV, &stop, &saved);
    if (sigsetjmp(back, 1) == 0) call();
    sigaction(SIGSEGV, &saved, nullptr);
    return touched_at;
#endif
}

// Empty and negative counts and reversed ranges touch neither array: both lie in the middle of
// untouchable pages.
TEST(Quicksort, EmptyRangesAreNotRead) {
    const Untouchable space;
    ASSERT_TRUE(space.reserved());
    const auto l = reinterpret_cast<int32_t *>(space.middle());
    const auto d = reinterpret_cast<double *>(space.middle());
    int32_t *const ind = l;
#if !defined(_WIN32)
    EXPECT_EQ(first_touch([&] { static_cast<void>(*static_cast<volatile double *>(d - 1)); }),
              d - 1)
        << "a read of the pages is not seen";
#endif
    std::vector<std::pair<std::string, std::function<void()>>> calls;
    for (const int32_t count : {0, -1, INT32_MIN}) {
        const auto named = [count](const char *routine) {
            return (testing::Message() << routine << "(" << count << ")").GetString();
        };
        calls.push_back({named("l_quicksort"), [=] { l_quicksort(l, count, ind); }});
        calls.push_back(
            {named("l_parallel_quicksort"), [=] { l_parallel_quicksort(l, count, ind); }});
        calls.push_back({named("d_quicksort"), [=] { d_quicksort(d, count, ind); }});
        calls.push_back(
            {named("d_parallel_quicksort"), [=] { d_parallel_quicksort(d, count, ind); }});
    }
    calls.push_back({"l_qs(5, 4)", [=] { l_qs(l, 5, 4, ind); }});
    calls.push_back({"d_qs(0, -1)", [=] { d_qs(d, 0, -1, ind); }});
    calls.push_back({"l_parallel_qs(INT32_MAX, INT32_MIN)",
                     [=] { l_parallel_qs(l, INT32_MAX, INT32_MIN, ind, 15); }});
    calls.push_back({"d_parallel_qs(1, 0)", [=] { d_parallel_qs(d, 1, 0, ind, 0); }});
    for (const auto &[what, call] : calls) {
        const void *const at = first_touch(call);
        EXPECT_EQ(at, nullptr) << what << " touched byte "
                               << static_cast<const char *>(at) - space.middle()
                               << " from the arrays";
    }
}

// The SSE2 and AVX2 comparisons of eight keys give the masks of the plain comparisons, lane by
// lane, with NaNs, zeros of both signs, infinities and the extreme integers among the keys.
template <typename Lanes, typename Key>
void expect_plain_masks(const std::vector<Key> &keys) {
    for (const Key v : keys) {
        unsigned less = 0, below = 0, above = 0;
        for (unsigned k = 0; k < 8; ++k) {
            less |= static_cast<unsigned>(keys[k] < keys[k + 1]) << k;
            below |= static_cast<unsigned>(keys[k] < v) << k;
            above |= static_cast<unsigned>(v < keys[k]) << k;
        }
        SCOPED_TRACE(testing::Message() << "pivot " << v);
        EXPECT_EQ(Lanes::less(keys.data(), keys.data() + 1), less);
        EXPECT_EQ(Lanes::below(keys.data(), v), below);
        EXPECT_EQ(Lanes::above(keys.data(), v), above);
    }
}

TEST(Quicksort, VectorComparisonsMatchThePlainOnes) {
#if defined(VARNOKE_SORT_SSE2)
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<int32_t> ints = {INT32_MIN, -1, 0, 1, INT32_MAX, 0, -1, INT32_MIN, 5};
    const std::vector<double> doubles = {
        nan, -0.0, 0.0, -inf, inf, 1.5, std::bit_cast<double>(0xFFF0000000000001ULL), -2.0, 0.0};
    expect_plain_masks<varnoke::sort_lanes::Sse2>(ints);
    expect_plain_masks<varnoke::sort_lanes::Sse2>(doubles);
#if defined(VARNOKE_SORT_AVX2)
    if (__builtin_cpu_supports("avx2")) {
        expect_plain_masks<varnoke::sort_lanes::Avx2>(ints);
        expect_plain_masks<varnoke::sort_lanes::Avx2>(doubles);
    }
#endif
#else
    GTEST_SKIP() << "portable comparisons only";
#endif
}

// Random keys for the differential test: a few distinct values, a moderate spread, or anything;
// for doubles also zeros of both signs, infinities and NaNs with different payloads.
template <typename Key>
Key random_key(std::mt19937 &rng, int kind);

template <>
int32_t random_key<int32_t>(std::mt19937 &rng, int kind) {
    switch (kind) {
        case 0:
            return static_cast<int32_t>(rng() % 4);
        case 1:
            return static_cast<int32_t>(rng() % 1000) - 500;
        default:
            return static_cast<int32_t>(rng());
    }
}

template <>
double random_key<double>(std::mt19937 &rng, int kind) {
    const auto r = static_cast<uint32_t>(rng());
    switch (kind) {
        case 0:
            return static_cast<double>(r % 4) - 1.5;
        case 1: {
            const double specials[] = {0.0,
                                       -0.0,
                                       std::numeric_limits<double>::infinity(),
                                       -std::numeric_limits<double>::infinity(),
                                       std::bit_cast<double>(0x7FF8000000000000ULL | (r >> 8)),
                                       std::bit_cast<double>(0xFFF0000000000001ULL | (r >> 8)),
                                       1.0,
                                       -2.5};
            return specials[r % 8];
        }
        default:
            return std::ldexp(static_cast<double>(static_cast<int32_t>(r)), int(rng() % 20) - 10);
    }
}

// Both arrays of each routine match the transcription bit for bit, for ranges inside larger
// arrays whose other positions must stay as they were. The index values are random too: they
// travel with their keys whatever they are.
template <typename Key>
void differential(uint32_t seed) {
    std::mt19937 rng(seed);
    const auto all = routines<Key>();
    for (int round = 0; round < 240; ++round) {
        const int kind = round % 3;
        const int32_t size = static_cast<int32_t>(round < 120 ? rng() % 40 : rng() % 3000);
        const int32_t before = static_cast<int32_t>(rng() % 3),
                      after = static_cast<int32_t>(rng() % 3);
        const std::size_t total = static_cast<std::size_t>(before + size + after);
        std::vector<Key> keys(total);
        std::vector<int32_t> ind(total);
        for (std::size_t k = 0; k < total; ++k) {
            keys[k] = random_key<Key>(rng, kind);
            ind[k] = static_cast<int32_t>(rng() % 64) - 32;
        }
        std::vector<Key> want_keys = keys;
        std::vector<int32_t> want_ind = ind;
        if (size > 0) {
            reference_qs(want_keys.data(), before, before + size - 1, want_ind.data());
        }
        const Routine<Key> &routine = all[static_cast<std::size_t>(round) % all.size()];
        SCOPED_TRACE(testing::Message()
                     << routine.name << ", round " << round << ", size " << size);
        std::vector<Key> p = keys;
        std::vector<int32_t> q = ind;
        routine.sort(p.data(), before, before + size - 1, q.data());
        ASSERT_EQ(bits(p), bits(want_keys));
        ASSERT_EQ(q, want_ind);
    }
}

TEST(Quicksort, MatchesTheRecursiveProcedureOnRandomInput) {
    differential<int32_t>(20261208);
    differential<double>(20261209);
}

// Large arrays, in shapes that take every path of the sort: ranges long enough for the scans to
// go eight keys at a time and for the blocks of 16 and 64 keys, where the scans stop seldom, often
// or at every key; ranges whose outcome follows from their shape (ascending, descending, one bit
// pattern throughout, a NaN's included) and ranges that only nearly have it (equal keys among
// ascending ones, zeros of both signs); few distinct values; and for doubles NaNs among random keys
// and in runs.
template <typename Key>
std::vector<Key> shaped_keys(std::mt19937 &rng, int shape, std::size_t n) {
    std::vector<Key> keys(n);
    for (std::size_t k = 0; k < n; ++k) {
        const auto at = static_cast<int32_t>(k);
        switch (shape) {
            case 0:  // a few distinct values, and for doubles the special ones
            case 1:  // a moderate spread
            case 2:  // anything
                keys[k] = random_key<Key>(rng, shape);
                break;
            case 3:  // ascending with every 997th key random (for doubles, a special one)
                keys[k] = k % 997 == 0 ? random_key<Key>(rng, 1) : static_cast<Key>(at);
                break;
            case 4:  // descending
                keys[k] = static_cast<Key>(-at);
                break;
            case 5:  // ascending runs of 1009 keys
                keys[k] = static_cast<Key>(at % 1009);
                break;
            case 6:  // times along a flight line: ascending with a small jitter
                keys[k] = static_cast<Key>(at * 4 + static_cast<int32_t>(rng() % 9));
                break;
            case 7:  // ascending, each key three times
                keys[k] = static_cast<Key>(at / 3);
                break;
            case 8:  // zeros of both signs (for int32, descending with each key twice)
                keys[k] = std::is_floating_point_v<Key> ? static_cast<Key>(rng() % 2 ? 0.0 : -0.0)
                                                        : static_cast<Key>(-at / 2);
                break;
            case 9:  // all equal
                keys[k] = static_cast<Key>(7);
                break;
            default:  // one value throughout, for doubles a NaN, with one key in 50 another value
                if constexpr (std::is_floating_point_v<Key>) {
                    keys[k] = std::bit_cast<double>(0x7FF8000000000123ULL);
                } else {
                    keys[k] = INT32_MIN;
                }
                if (rng() % 50 == 0) keys[k] = random_key<Key>(rng, 1);
        }
    }
    if constexpr (std::is_floating_point_v<Key>) {
        // One key in fifty replaced by a NaN, in the random shapes.
        if (shape <= 2) {
            for (std::size_t k = 0; k < n; k += 1 + rng() % 100) {
                keys[k] = std::bit_cast<double>(0x7FF8000000000000ULL | (rng() & 0xFFFF));
            }
        }
    }
    return keys;
}

template <typename Key>
void large_differential(uint32_t seed) {
    std::mt19937 rng(seed);
    const auto all = routines<Key>();
    for (int shape = 0; shape <= 10; ++shape) {
        for (const std::size_t n : {std::size_t{255}, std::size_t{256}, std::size_t{257},
                                    std::size_t{4099}, std::size_t{300000}}) {
            const std::vector<Key> keys = shaped_keys<Key>(rng, shape, n);
            std::vector<Key> want_keys = keys;
            std::vector<int32_t> want_ind = iota_index(n);
            reference_qs(want_keys.data(), 0, static_cast<int32_t>(n) - 1, want_ind.data());
            // The entry point and each comparison version.
            for (const Routine<Key> &routine : all) {
                if (routine.name != "quicksort" &&
                    routine.name.find("lanes") == std::string::npos) {
                    continue;
                }
                SCOPED_TRACE(testing::Message()
                             << routine.name << ", shape " << shape << ", size " << n);
                std::vector<Key> p = keys;
                std::vector<int32_t> q = iota_index(n);
                routine.sort(p.data(), 0, static_cast<int32_t>(n) - 1, q.data());
                ASSERT_EQ(bits(p), bits(want_keys));
                ASSERT_EQ(q, want_ind);
            }
        }
    }
}

TEST(Quicksort, MatchesTheRecursiveProcedureOnLargeInput) {
    large_differential<int32_t>(20261210);
    large_differential<double>(20261211);
}

// Keys for which the middle position of every range the procedure reaches holds the largest key
// of that range: each partition then splits off one element, and the procedure as written nests
// once per element. Built by replaying the partitions on a permutation of positions.
std::vector<int32_t> middle_maximum_keys(int32_t n) {
    std::vector<int32_t> origin = iota_index(static_cast<std::size_t>(n));
    std::vector<int32_t> keys(static_cast<std::size_t>(n));
    for (int32_t right = n - 1; right > 0; --right) {
        // The largest key at the middle is exchanged with the last key of the range, and the
        // rest of the range is partitioned again.
        const auto middle = static_cast<std::size_t>(right / 2),
                   last = static_cast<std::size_t>(right);
        keys[static_cast<std::size_t>(origin[middle])] = right;
        std::swap(origin[middle], origin[last]);
    }
    if (n > 0) keys[static_cast<std::size_t>(origin[0])] = 0;
    return keys;
}

// The sort's own partition, in each comparison version, replayed on that input: each range it
// reaches leaves a part of one element, its largest key, at its end, and the rest is the next
// range.
template <typename Lanes>
void expect_one_element_split_off(int32_t n) {
    std::vector<int32_t> keys = middle_maximum_keys(n);
    std::vector<int32_t> ind = iota_index(keys.size());
    for (int32_t right = n - 1; right > 0; --right) {
        const auto parts = varnoke::quicksort::partition<Lanes>(keys.data(), 0, right, ind.data());
        ASSERT_EQ(parts.j, right - 1) << "range 0.." << right;
        ASSERT_EQ(parts.i, right) << "range 0.." << right;
        ASSERT_EQ(keys[static_cast<std::size_t>(right)], right) << "range 0.." << right;
    }
}

TEST(Quicksort, MiddleMaximumInputMakesTheProcedureNestOncePerElement) {
    expect_one_element_split_off<varnoke::sort_lanes::Portable>(2000);
#if defined(VARNOKE_SORT_SSE2)
    expect_one_element_split_off<varnoke::sort_lanes::Sse2>(2000);
#endif
}

// Sorting `count` keys of that input on a thread with a 256 KiB stack: nesting once per element
// would need several megabytes.
template <typename Key>
void sort_on_small_stack(void (*sort)(Key *, int32_t, int32_t *), int32_t count) {
    const std::vector<int32_t> order = middle_maximum_keys(count);
    struct Job {
        void (*sort)(Key *, int32_t, int32_t *);
        std::vector<Key> keys;
        std::vector<int32_t> ind;
    } job{sort, std::vector<Key>(order.begin(), order.end()), iota_index(order.size())};

    pthread_attr_t attr;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, 256 * 1024), 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attr,
                  [](void *arg) -> void * {
                      Job &j = *static_cast<Job *>(arg);
                      j.sort(j.keys.data(), static_cast<int32_t>(j.keys.size()), j.ind.data());
                      return nullptr;
                  },
                  &job),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);

    for (int32_t k = 0; k < count; ++k) {
        const auto at = static_cast<std::size_t>(k);
        ASSERT_EQ(job.keys[at], static_cast<Key>(k));
        ASSERT_EQ(order[static_cast<std::size_t>(job.ind[at])], k);
    }
}

TEST(Quicksort, UnfavourableInputSortsOnASmallStack) {
    sort_on_small_stack<int32_t>(l_quicksort, 50000);
    sort_on_small_stack<double>(d_parallel_quicksort, 50000);
}

#if !defined(_WIN32)
// 2^31 values mapped without backing, followed by 64 KiB that may not be read: only the pages
// written to are ever backed. Left mapped for the rest of the test program.
template <typename T>
T *mapped_up_to_int32_max() {
    constexpr std::size_t kBytes = (std::size_t{1} << 31) * sizeof(T), kGuard = 1 << 16;
    void *map = mmap(nullptr, kBytes + kGuard, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (map == MAP_FAILED) return nullptr;
    return mprotect(static_cast<char *>(map) + kBytes, kGuard, PROT_NONE) == 0
               ? static_cast<T *>(map)
               : nullptr;
}

// Ranges ending at position INT32_MAX: two or nine equal keys, equal keys left at the top by a
// partition, and few distinct values over a range long enough for the blocks.
template <typename Key>
void expect_arrangements_at_the_top() {
    Key *const keys = mapped_up_to_int32_max<Key>();
    int32_t *const ind = mapped_up_to_int32_max<int32_t>();
    ASSERT_TRUE(keys != nullptr && ind != nullptr);
    std::vector<std::vector<int32_t>> cases = {
        {7, 7}, std::vector<int32_t>(9, 4), {1, 0, 2, 5, 3, 5, 5, 5, 5}, std::vector<int32_t>(300)};
    std::mt19937 rng(20261220);
    for (int32_t &key : cases.back()) key = static_cast<int32_t>(rng() % 3);
    for (const std::vector<int32_t> &top : cases) {
        const auto n = static_cast<int32_t>(top.size()), left = INT32_MAX - (n - 1);
        std::vector<Key> want_keys(top.begin(), top.end());
        std::vector<int32_t> want_ind = iota_index(top.size());
        reference_qs(want_keys.data(), 0, n - 1, want_ind.data());
        for (const Routine<Key> &routine : routines<Key>()) {
            std::copy(top.begin(), top.end(), keys + left);
            std::iota(ind + left, ind + left + n, 0);
            routine.sort(keys, left, INT32_MAX, ind);
            EXPECT_EQ(bits(std::vector<Key>(keys + left, keys + left + n)), bits(want_keys))
                << routine.name << ", " << n;
            EXPECT_EQ(std::vector<int32_t>(ind + left, ind + left + n), want_ind)
                << routine.name << ", " << n;
        }
    }
}

TEST(Quicksort, RangesEndingAtTheLargestPosition) {
    expect_arrangements_at_the_top<int32_t>();
    expect_arrangements_at_the_top<double>();
}
#endif

}  // namespace
}  // namespace lastest
