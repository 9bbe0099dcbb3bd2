// The network's inner loops: adding one input's weights, making a move's change, and the
// output. Each has a portable form and, on x86-64, an AVX2 form chosen at run time when the
// processor has it, so that one build runs on every x86-64 and fast where it can. Both give the
// same numbers: the AVX2 output sums in 32-bit lanes that cannot overflow with the weights the
// loader takes, the portable one in 64 bits. Loads and stores are unaligned, so that no
// platform's stack alignment matters.
#include <algorithm>
#include <atomic>
#include <cstdint>

#include "strong/network.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define VARDO_NETWORK_AVX2 1
#include <immintrin.h>
#endif

namespace vardo {

namespace {

// Adds one input's row of weights.
void AddPortable(const Network& net, HiddenValues& values, int input) {
    const std::int16_t* row = net.inputWeights[input];
    for (int i = 0; i < NETWORK_HIDDEN; ++i)
        values.values[i] = static_cast<std::int16_t>(values.values[i] + row[i]);
}

// `to` is `from` with the rows of `added` added and those of `removed` taken away, in one pass.
void MovePortable(const Network& net, const HiddenValues& from, HiddenValues& to,
                  const InputChange& change) {
    for (int i = 0; i < NETWORK_HIDDEN; ++i) {
        int value = from.values[i];
        for (int a = 0; a < change.addedCount; ++a) value += net.inputWeights[change.added[a]][i];
        for (int r = 0; r < change.removedCount; ++r)
            value -= net.inputWeights[change.removed[r]][i];
        to.values[i] = static_cast<std::int16_t>(value);
    }
}

std::int64_t HalfPortable(const HiddenValues& values, const std::int16_t* weights) {
    std::int64_t sum = 0;
    for (int i = 0; i < NETWORK_HIDDEN; ++i) {
        const int v = std::clamp<int>(values.values[i], 0, NETWORK_QA);
        sum += static_cast<std::int64_t>(v * weights[i]) * v;
    }
    return sum;
}

#ifdef VARDO_NETWORK_AVX2

[[gnu::target("avx2")]] void AddAvx2(const Network& net, HiddenValues& values, int input) {
    const auto* row = reinterpret_cast<const __m256i*>(net.inputWeights[input]);
    auto* out = reinterpret_cast<__m256i*>(values.values);
    for (int i = 0; i < NETWORK_HIDDEN / 16; ++i) {
        const __m256i now = _mm256_loadu_si256(out + i);
        const __m256i weights = _mm256_loadu_si256(row + i);
        _mm256_storeu_si256(out + i, _mm256_add_epi16(now, weights));
    }
}

// Sixteen lanes at a time, each loaded and stored once whatever the number of rows.
[[gnu::target("avx2")]] void MoveAvx2(const Network& net, const HiddenValues& from,
                                      HiddenValues& to, const InputChange& change) {
    const auto* in = reinterpret_cast<const __m256i*>(from.values);
    auto* out = reinterpret_cast<__m256i*>(to.values);
    for (int i = 0; i < NETWORK_HIDDEN / 16; ++i) {
        __m256i value = _mm256_loadu_si256(in + i);
        for (int a = 0; a < change.addedCount; ++a)
            value = _mm256_add_epi16(
                value,
                _mm256_loadu_si256(
                    reinterpret_cast<const __m256i*>(net.inputWeights[change.added[a]]) + i));
        for (int r = 0; r < change.removedCount; ++r)
            value = _mm256_sub_epi16(
                value,
                _mm256_loadu_si256(
                    reinterpret_cast<const __m256i*>(net.inputWeights[change.removed[r]]) + i));
        _mm256_storeu_si256(out + i, value);
    }
}

// v * w fits 16 bits (v <= 255, |w| <= 127); each 32-bit lane adds NETWORK_HIDDEN / 8 pairs of
// v * w * v, at most 2 * 255 * 127 * 255 each: within 32 bits for any hidden size up to 1024.
[[gnu::target("avx2")]] std::int64_t HalfAvx2(const HiddenValues& values,
                                              const std::int16_t* weights) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i top = _mm256_set1_epi16(NETWORK_QA);
    __m256i sum = _mm256_setzero_si256();
    const auto* in = reinterpret_cast<const __m256i*>(values.values);
    const auto* w = reinterpret_cast<const __m256i*>(weights);
    for (int i = 0; i < NETWORK_HIDDEN / 16; ++i) {
        const __m256i v = _mm256_min_epi16(_mm256_max_epi16(_mm256_loadu_si256(in + i), zero), top);
        const __m256i vw = _mm256_mullo_epi16(v, _mm256_loadu_si256(w + i));
        sum = _mm256_add_epi32(sum, _mm256_madd_epi16(vw, v));
    }
    alignas(32) std::int32_t lanes[8];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lanes), sum);
    std::int64_t total = 0;
    for (const std::int32_t lane : lanes) total += lane;
    return total;
}

bool ProcessorHasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}

#else

bool ProcessorHasAvx2() {
    return false;
}

#endif

struct Kernels {
    void (*add)(const Network&, HiddenValues&, int);
    void (*move)(const Network&, const HiddenValues&, HiddenValues&, const InputChange&);
    std::int64_t (*half)(const HiddenValues&, const std::int16_t*);
};

constexpr Kernels PORTABLE = {AddPortable, MovePortable, HalfPortable};
#ifdef VARDO_NETWORK_AVX2
constexpr Kernels AVX2 = {AddAvx2, MoveAvx2, HalfAvx2};
#endif

// Chosen once; switched only by tests and measurements, while no search runs.
std::atomic<bool> usePortable{!ProcessorHasAvx2()};

const Kernels& Chosen() {
#ifdef VARDO_NETWORK_AVX2
    if (!usePortable.load(std::memory_order_relaxed)) return AVX2;
#endif
    return PORTABLE;
}

}  // namespace

void AddInput(const Network& net, HiddenValues& values, int input) {
    Chosen().add(net, values, input);
}

void ChangeInputs(const Network& net, const HiddenValues& from, HiddenValues& to,
                  const InputChange& change) {
    Chosen().move(net, from, to, change);
}

void UsePortableNetworkKernels(bool portable) {
    usePortable = portable || !ProcessorHasAvx2();
}

int Network::Output(const HiddenValues& us, const HiddenValues& them) const {
    const Kernels& kernels = Chosen();
    const std::int64_t sum =
        kernels.half(us, outputWeights) + kernels.half(them, outputWeights + NETWORK_HIDDEN);
    const std::int64_t output = sum / NETWORK_QA + outputBias;
    return static_cast<int>(output * NETWORK_SCALE / (NETWORK_QA * NETWORK_QB));
}

}  // namespace vardo
