// The network's inner loops: adding or taking away one input's weights, and the output. Each
// has a portable form and, on x86-64, an AVX2 form chosen at run time when the processor has
// it, so that one build runs on every x86-64 and fast where it can. Both give the same
// numbers: the AVX2 output sums in 32-bit lanes that cannot overflow with the weights the
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

// Adds (or takes away) one input's row of weights.
template <bool ADD>
void UpdatePortable(const Network& net, HiddenValues& values, int input) {
    const std::int16_t* row = net.inputWeights[input];
    for (int i = 0; i < NETWORK_HIDDEN; ++i)
        values.values[i] =
            static_cast<std::int16_t>(ADD ? values.values[i] + row[i] : values.values[i] - row[i]);
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

template <bool ADD>
[[gnu::target("avx2")]] void UpdateAvx2(const Network& net, HiddenValues& values, int input) {
    const auto* row = reinterpret_cast<const __m256i*>(net.inputWeights[input]);
    auto* out = reinterpret_cast<__m256i*>(values.values);
    for (int i = 0; i < NETWORK_HIDDEN / 16; ++i) {
        const __m256i now = _mm256_loadu_si256(out + i);
        const __m256i weights = _mm256_loadu_si256(row + i);
        _mm256_storeu_si256(out + i,
                            ADD ? _mm256_add_epi16(now, weights) : _mm256_sub_epi16(now, weights));
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
    void (*subtract)(const Network&, HiddenValues&, int);
    std::int64_t (*half)(const HiddenValues&, const std::int16_t*);
};

constexpr Kernels PORTABLE = {UpdatePortable<true>, UpdatePortable<false>, HalfPortable};
#ifdef VARDO_NETWORK_AVX2
constexpr Kernels AVX2 = {UpdateAvx2<true>, UpdateAvx2<false>, HalfAvx2};
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

void SubtractInput(const Network& net, HiddenValues& values, int input) {
    Chosen().subtract(net, values, input);
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
